#pragma once

#include "base/comerror.h"

class QString;
class WordListModel;
class WordStore;

/// Runs one word statement on `store` and appends its rows to `model` in result order: the
/// number of rows added. On a failure the rows read before it stay in the list and the error
/// is returned; without a store (no vocabulary open) nothing runs.
Result<int> FillWordList(WordStore* store, const QString& statement, WordListModel& model);
