#pragma once

#include "base/comerror.h"

class QStandardItemModel;
class WordStore;

/// The course tree's items: the catalogue's categories and books, then under 其他词表 the open
/// vocabulary's courses that are not among them, when it has any. Each item holds its tag under
/// Qt::UserRole. Each book's tooltip says how many words it holds; empty books, and categories
/// whose books are all empty, are drawn in the disabled text colour but stay selectable. The
/// catalogue is there, unmarked, even when reading the vocabulary's courses or counts failed.
Result<void> FillCourseModel(QStandardItemModel& model, WordStore* store);
