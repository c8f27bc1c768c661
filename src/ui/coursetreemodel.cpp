#include "ui/coursetreemodel.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPalette>
#include <QStandardItemModel>

#include "vocab/coursecatalogue.h"
#include "vocab/ownlists.h"
#include "vocab/vocabularycourses.h"
#include "vocab/wordstore.h"

namespace {

// The category after the catalogue that holds the vocabulary's own courses, and its books' tag.
constexpr char16_t kOtherCoursesCategory[] = u"其他词表";
constexpr int kOtherCoursesTag = 900;

// The category after all the vocabulary's that holds the user's own lists.
constexpr char16_t kOwnListsCategory[] = u"我的词表";
constexpr char16_t kOwnListsMissing[] = u"我的词表打不开：%1";
constexpr char16_t kNoOwnLists[] = u"还没有自己的词表：右键点这里或点“新建词表…”";

// A book's tooltip: how many words clicking it lists.
constexpr char16_t kBookWordCount[] = u"共 %1 个单词";
constexpr char16_t kBookWithoutWords[] = u"没有单词";

QStandardItem* node(const QString& text, int tag)
{
    auto* item = new QStandardItem(text);
    item->setData(tag, Qt::UserRole);
    item->setEditable(false);
    return item;
}

void greyOut(QStandardItem& item)
{
    // Only the colour: an empty book stays selectable, and selecting it empties the list.
    item.setForeground(QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text));
}

// Says on each book (of the categories from `firstRow` on) how many words it holds and greys
// the empty ones, and every category whose books are all empty, so a new user sees where the words are before clicking.
void markWordCounts(QStandardItemModel& model, const QHash<QString, int>& counts, int firstRow = 0)
{
    const QLocale chinese(QLocale::Chinese, QLocale::China); // groups digits as 1,603
    for (int row = firstRow; row < model.rowCount(); ++row) {
        QStandardItem* category = model.item(row);
        bool allEmpty = true;
        for (int book = 0; book < category->rowCount(); ++book) {
            QStandardItem* item = category->child(book);
            const int words = counts.value(item->text());
            if (words > 0) {
                item->setToolTip(QString::fromUtf16(kBookWordCount).arg(chinese.toString(words)));
                allEmpty = false;
            } else {
                item->setToolTip(QString::fromUtf16(kBookWithoutWords));
                greyOut(*item);
            }
        }
        if (allEmpty)
            greyOut(*category);
    }
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
    // Without a vocabulary every book lists nothing, and is shown so.
    if (!store || !store->IsOpen()) {
        markWordCounts(model, {});
        return {};
    }
    const Result<QStringList> courses = VocabularyCourses(*store);
    if (!courses)
        return Fail(courses.error());
    if (const QStringList others = CoursesOutsideCatalogue(*courses); !others.isEmpty()) {
        category = node(QString::fromUtf16(kOtherCoursesCategory), kOtherCoursesTag);
        model.appendRow(category);
        for (const QString& course : others)
            category->appendRow(node(course, kOtherCoursesTag + 1));
    }
    // Counts that cannot be read leave the books unmarked rather than all shown empty.
    const Result<QHash<QString, int>> counts = CourseWordCounts(*store);
    if (!counts)
        return Fail(counts.error());
    markWordCounts(model, *counts);
    return {};
}

Result<void> FillOwnListsNode(QStandardItemModel& model, OwnLists* lists, const QString& unavailable)
{
    const int last = model.rowCount() - 1;
    if (last >= 0 && model.item(last)->data(Qt::UserRole).toInt() == kOwnListsTag)
        model.removeRow(last);
    QStandardItem* category = node(QString::fromUtf16(kOwnListsCategory), kOwnListsTag);
    model.appendRow(category);
    const auto missing = [category](const QString& why) {
        category->setToolTip(QString::fromUtf16(kOwnListsMissing).arg(why));
        greyOut(*category);
    };
    if (!lists) {
        missing(unavailable);
        return {};
    }
    const Result<QStringList> names = lists->Names();
    if (!names) {
        missing(names.error().ErrorMessage());
        return Fail(names.error());
    }
    // An empty 我的词表 is not greyed: it is where new lists go.
    if (names->isEmpty()) {
        category->setToolTip(QString::fromUtf16(kNoOwnLists));
        return {};
    }
    QHash<QString, int> counts;
    for (const QString& name : *names) {
        category->appendRow(node(name, kOwnListTag));
        if (const Result<QList<OwnListWord>> words = lists->Words(name))
            counts.insert(name, int(words->size()));
    }
    markWordCounts(model, counts, model.rowCount() - 1);
    return {};
}
