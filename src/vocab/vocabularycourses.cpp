#include "vocab/vocabularycourses.h"

#include <QSet>

#include "vocab/coursecatalogue.h"
#include "vocab/wordentry.h"
#include "vocab/wordstore.h"

Result<QStringList> VocabularyCourses(WordStore& store)
{
    // Hops from course to course along the index on subclass, so the cost grows with the
    // number of courses, not of rows (1 ms instead of 0.5 s for the 768,000-row dictionary).
    QStringList courses;
    const Result<void> hopped = store.SelectWords(
        QStringLiteral("WITH RECURSIVE course(name) AS ("
                       " SELECT MIN(subclass) FROM word WHERE subclass > ''"
                       " UNION ALL"
                       " SELECT (SELECT MIN(subclass) FROM word WHERE subclass > name)"
                       " FROM course WHERE name IS NOT NULL)"
                       " SELECT name, '' FROM course WHERE name IS NOT NULL"
                       " ORDER BY (SELECT MIN(rowid) FROM word WHERE subclass = name)"),
        [&courses](WordEntry&& entry) { courses << std::move(entry.en); });
    if (hopped)
        return courses;
    // A word table that is a view has no row numbers: read it through in its own order.
    if (hopped.error().Error() != ResultCode::StatementFailed)
        return Fail(hopped.error());
    courses.clear();
    QSet<QString> seen;
    const Result<void> read = store.SelectWords(QStringLiteral("SELECT subclass, '' FROM word WHERE subclass <> ''"),
                                                [&courses, &seen](WordEntry&& entry) {
                                                    if (!seen.contains(entry.en)) {
                                                        seen.insert(entry.en);
                                                        courses << std::move(entry.en);
                                                    }
                                                });
    if (!read)
        return Fail(read.error());
    return courses;
}

Result<QHash<QString, int>> CourseWordCounts(WordStore& store)
{
    // Grouped along the importer's index on subclass, the count reads the index and not the rows
    // (the 768,118-row list in 35 to 80 ms); the range is the course list's, so both skip the
    // same rows.
    QHash<QString, int> counts;
    const Result<void> counted = store.SelectWords(
        QStringLiteral("SELECT subclass, COUNT(*) FROM word WHERE subclass > '' GROUP BY subclass"),
        [&counts](WordEntry&& entry) { counts.insert(std::move(entry.en), entry.ch.toInt()); });
    if (!counted)
        return Fail(counted.error());
    return counts;
}

QStringList CoursesOutsideCatalogue(const QStringList& courses)
{
    QStringList outside;
    for (const QString& course : courses) {
        if (!IsCatalogueBook(course))
            outside << course;
    }
    return outside;
}
