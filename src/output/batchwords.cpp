#include "output/batchwords.h"

#include "output/outputpath.h"
#include "vocab/wordlistmodel.h"

std::vector<BatchWord> CheckedWords(const WordListModel& words, const QString& folder, SpeechOptions options)
{
    std::vector<BatchWord> checked;
    for (const int row : words.checkedRows()) {
        const QString& en = words.en(row);
        checked.push_back(BatchWord{row, en, ComposeUtterance(en, words.ch(row), options),
                                    OutputFilePath(folder, en).value_or(QString())});
    }
    return checked;
}
