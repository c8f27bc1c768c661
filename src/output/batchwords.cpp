#include "output/batchwords.h"

#include <QFileInfo>
#include <QStringList>

#include "output/batchjob.h"
#include "output/outputpath.h"

std::vector<BatchWord> PlanBatchWords(const std::vector<WordEntry>& rows, const QString& folder,
                                      const WordSpeech& speech, const FileNaming& naming)
{
    std::vector<BatchWord> checked;
    checked.reserve(rows.size());
    QStringList headwords;
    for (const WordEntry& row : rows) {
        headwords.append(row.en);
        const int index = int(checked.size());
        checked.push_back(BatchWord{index, row.en, speech.Compose(row.en, row.ch), QString(), row.ch, index + 1});
    }
    const bool planned = naming.numbered || naming.cardSafe || naming.extension != u"wav";
    const std::vector<std::optional<QString>> names =
        planned ? PlanFileNames(headwords, naming) : std::vector<std::optional<QString>>{};
    for (std::size_t i = 0; i < checked.size(); ++i) {
        if (planned)
            checked[i].path = names[i] ? folder + u'/' + *names[i] : QString();
        else
            checked[i].path = OutputFilePath(folder, checked[i].headword).value_or(QString());
    }
    return checked;
}

Result<PlannedRun> PlanRun(const BatchJob& job, bool phonemesReadable)
{
    PlannedRun run;
    std::shared_ptr<const PronunciationList> list;
    // A list the user named must be readable; the default one applies when it exists.
    if (const QString path = job.sound.PronunciationsPath();
        !job.sound.pronunciations.isEmpty() || QFileInfo::exists(path)) {
        Result<PronunciationList> read = PronunciationList::Read(path);
        if (!read)
            return Fail(read.error());
        run.pronunciationsPath = path;
        run.problems = read->Problems();
        list = std::make_shared<const PronunciationList>(std::move(*read));
    }
    const WordSpeech speech = job.sound.Speech(job.speech, std::move(list), phonemesReadable);
    run.words = PlanBatchWords(job.rows, job.folder, speech, job.files.Naming());
    return run;
}

Result<PlannedRun> PrepareRun(const BatchJob& job, bool phonemesReadable)
{
    if (const Result<void> valid = job.Validate(); !valid)
        return Fail(valid.error());
    return PlanRun(job, phonemesReadable);
}
