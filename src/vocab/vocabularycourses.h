#pragma once

#include <QStringList>

#include "base/comerror.h"

class WordStore;

/// Every course (`subclass`) the open vocabulary names, in the order the file first names
/// them; rows without a course are left out. Fails as WordStore::SelectWords does.
Result<QStringList> VocabularyCourses(WordStore& store);

/// The courses of `courses` that are not books of the course catalogue, order kept.
QStringList CoursesOutsideCatalogue(const QStringList& courses);
