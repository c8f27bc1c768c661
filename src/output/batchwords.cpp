#include "output/batchwords.h"

#include <climits>

#include <QFile>
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
    for (BatchWord& word : checked) {
        const std::size_t i = std::size_t(word.row);
        if (planned)
            word.path = names[i] ? folder + u'/' + *names[i] : QString();
        else
            word.path = OutputFilePath(folder, word.headword).value_or(QString());
        // Refused before anything is spoken: no file system takes a name over NAME_MAX bytes.
        if (!word.path.isEmpty() && QFile::encodeName(QFileInfo(word.path).fileName()).size() > NAME_MAX)
            word = BatchWord{word.row, word.headword, word.text, QString(), word.meaning, word.track, ResultCode::NameTooLong};
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
    if (job.lesson.perWord)
        run.words = PlanBatchWords(job.rows, job.folder, speech, job.files.Naming());
    if (job.lesson.Any())
        run.lesson = PlanLessonWords(job.rows, speech);
    return run;
}

Result<PlannedRun> PrepareRun(const BatchJob& job, bool phonemesReadable, BatchJob::FolderRule folderRule)
{
    if (const Result<void> valid = job.Validate(folderRule); !valid)
        return Fail(valid.error());
    return PlanRun(job, phonemesReadable);
}
