#include "ui/coursetreemodel.h"

#include <QStandardItemModel>

#include "vocab/coursecatalogue.h"
#include "vocab/vocabularycourses.h"
#include "vocab/wordstore.h"

namespace {

// The category after the catalogue that holds the vocabulary's own courses, and its books' tag.
constexpr char16_t kOtherCoursesCategory[] = u"其他词表";
constexpr int kOtherCoursesTag = 900;

QStandardItem* node(const QString& text, int tag)
{
    auto* item = new QStandardItem(text);
    item->setData(tag, Qt::UserRole);
    item->setEditable(false);
    return item;
}

} // namespace

Result<void> FillCourseModel(QStandardItemModel& model, WordStore* store)
{
    model.removeRows(0, model.rowCount());
    QStandardItem* category = nullptr;
    for (const CourseNode& course : CourseCatalogue()) {
        QStandardItem* item = node(QString::fromUtf16(course.text), course.tag);
        if (course.isCategory()) {
            model.appendRow(item);
            category = item;
        } else {
            category->appendRow(item);
        }
    }
    if (!store || !store->IsOpen())
        return {};
    const Result<QStringList> courses = VocabularyCourses(*store);
    if (!courses)
        return Fail(courses.error());
    const QStringList others = CoursesOutsideCatalogue(*courses);
    if (others.isEmpty())
        return {};
    category = node(QString::fromUtf16(kOtherCoursesCategory), kOtherCoursesTag);
    model.appendRow(category);
    for (const QString& course : others)
        category->appendRow(node(course, kOtherCoursesTag + 1));
    return {};
}
