#include "output/batchwords.h"

#include <QStringList>

#include "output/outputpath.h"
#include "vocab/wordlistmodel.h"

std::vector<BatchWord> CheckedWords(const WordListModel& words, const QString& folder, const WordSpeech& speech,
                                    const FileNaming& naming)
{
    std::vector<BatchWord> checked;
    QStringList headwords;
    for (const int row : words.checkedRows()) {
        const QString& en = words.en(row);
        headwords.append(en);
        checked.push_back(BatchWord{row, en, speech.Compose(en, words.ch(row)), QString(), words.ch(row),
                                    int(checked.size()) + 1});
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
