#pragma once

#include <optional>

#include "vocab/comerror.h"

class QString;
class WordListModel;
class WordStore;

/// Runs one word statement on `store` and appends its rows to `model` in result order. On a
/// failure the rows read before it stay in the list and the error is returned; without a
/// store (no vocabulary open) nothing runs.
std::optional<ComError> FillWordList(WordStore* store, const QString& statement, WordListModel& model);
