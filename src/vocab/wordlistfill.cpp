#include "vocab/wordlistfill.h"

#include <vector>

#include "vocab/wordlistmodel.h"
#include "vocab/wordstore.h"

Result<int> FillWordList(WordStore* store, const QString& statement, WordListModel& model)
{
    if (!store || !store->IsOpen())
        return Fail(ComError(E_POINTER));
    // Rows reach the model in one insertion: a view told of each row alone would redo its
    // layout 100,000 times.
    std::vector<WordEntry> rows;
    const Result<void> selected =
        store->SelectWords(statement, [&rows](WordEntry&& entry) { rows.push_back(std::move(entry)); });
    const int added = int(rows.size());
    model.append(std::move(rows));
    if (!selected)
        return Fail(selected.error());
    return added;
}
