#include "vocab/vocabularycourses.h"

#include <QSet>

#include "vocab/comerror.h"
#include "vocab/coursecatalogue.h"
#include "vocab/wordentry.h"
#include "vocab/wordstore.h"

QStringList VocabularyCourses(WordStore& store)
{
    // Hops from course to course along the index on subclass, so the cost grows with the
    // number of courses, not of rows (1 ms instead of 0.5 s for the 768,000-row dictionary).
    QStringList courses;
    const auto take = [&courses](WordEntry&& entry) { courses << std::move(entry.en); };
    try {
        store.SelectWords(QStringLiteral(
                              "WITH RECURSIVE course(name) AS ("
                              " SELECT MIN(subclass) FROM word WHERE subclass > ''"
                              " UNION ALL"
                              " SELECT (SELECT MIN(subclass) FROM word WHERE subclass > name)"
                              " FROM course WHERE name IS NOT NULL)"
                              " SELECT name, '' FROM course WHERE name IS NOT NULL"
                              " ORDER BY (SELECT MIN(rowid) FROM word WHERE subclass = name)"),
                          take);
        return courses;
    } catch (const ComError& error) {
        // A word table that is a view has no row numbers: read it through in its own order.
        if (error.Error() != ResultCode::StatementFailed)
            throw;
    }
    courses.clear();
    QSet<QString> seen;
    store.SelectWords(QStringLiteral("SELECT subclass, '' FROM word WHERE subclass <> ''"),
                      [&courses, &seen](WordEntry&& entry) {
                          if (!seen.contains(entry.en)) {
                              seen.insert(entry.en);
                              courses << std::move(entry.en);
                          }
                      });
    return courses;
}

QStringList CoursesOutsideCatalogue(const QStringList& courses)
{
    QSet<QString> books;
    for (const CourseNode& node : CourseCatalogue()) {
        if (!node.isCategory())
            books.insert(QString::fromUtf16(node.text));
    }
    QStringList outside;
    for (const QString& course : courses) {
        if (!books.contains(course))
            outside << course;
    }
    return outside;
}
