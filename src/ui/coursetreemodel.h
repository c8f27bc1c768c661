#pragma once

#include "base/comerror.h"

class QStandardItemModel;
class WordStore;

/// The course tree's items: the catalogue's categories and books, then under 其他词表 the open
/// vocabulary's courses that are not among them, when it has any. Each item holds its tag under
/// Qt::UserRole. The catalogue is there even when reading the vocabulary's courses failed.
Result<void> FillCourseModel(QStandardItemModel& model, WordStore* store);
