#include "vocab/wordlistfill.h"

#include <vector>

#include "vocab/wordlistmodel.h"
#include "vocab/wordstore.h"

std::optional<ComError> FillWordList(WordStore* store, const QString& statement, WordListModel& model)
{
    if (!store || !store->IsOpen())
        return ComError(ResultCode::InvalidPointer);
    // Rows reach the model in one insertion: a view told of each row alone would redo its
    // layout 100,000 times.
    std::vector<WordEntry> rows;
    std::optional<ComError> failure;
    try {
        store->SelectWords(statement, [&rows](WordEntry&& entry) { rows.push_back(std::move(entry)); });
    } catch (const ComError& error) {
        failure = error;
    }
    model.append(std::move(rows));
    return failure;
}
