#pragma once

#include <QStringList>

class WordStore;

/// Every course (`subclass`) the open vocabulary names, in the order the file first names
/// them; rows without a course are left out. Throws ComError as WordStore::SelectWords does.
QStringList VocabularyCourses(WordStore& store);

/// The courses of `courses` that are not books of the course catalogue, order kept.
QStringList CoursesOutsideCatalogue(const QStringList& courses);
