#pragma once

#include <QHash>
#include <QStringList>

#include "base/comerror.h"

class WordStore;

/// Every course (`subclass`) the open vocabulary names, in the order the file first names
/// them; rows without a course are left out. Fails as WordStore::SelectWords does.
Result<QStringList> VocabularyCourses(WordStore& store);

/// How many words each course (`subclass`) of the open vocabulary holds, counted in one
/// statement; a course that is missing holds none, and rows without a course are left out.
/// Fails as WordStore::SelectWords does.
Result<QHash<QString, int>> CourseWordCounts(WordStore& store);

/// The courses of `courses` that are not books of the course catalogue, order kept.
QStringList CoursesOutsideCatalogue(const QStringList& courses);
