#include "vocab/meaninglookup.h"

#include <tuple>

#include <QHash>

#include "vocab/coursecatalogue.h"
#include "vocab/wordstore.h"

namespace {

// The course travels with the meaning in one column: the word statements give two, and the
// rows are read in file order, unsorted, which keeps building the look-up a single pass.
constexpr QChar kCourseEnd = QChar(0x1F);
const QString kStatement =
    u"SELECT en, ifnull(subclass, '') || char(31) || ch FROM word WHERE ch IS NOT NULL AND ch <> ''"_qs;

/// The headword without case, spacing or punctuation: "Ice-cream", "ice cream" and "icecream."
/// are one key. English letters take the quick way: the look-up is built from every headword.
QString normalised(QStringView word)
{
    QString key;
    key.reserve(word.size());
    for (const QChar c : word) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            if (u >= u'A' && u <= u'Z')
                key += QChar(u + (u'a' - u'A'));
            else if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9'))
                key += c;
        } else if (c.isLetterOrNumber()) {
            key += c.toCaseFolded();
        }
    }
    return key;
}

/// A course's place in the catalogue's tree; the vocabulary's own courses and rows without one
/// after every book.
int courseRank(QStringView course)
{
    static const QHash<QString, int> ranks = [] {
        QHash<QString, int> ranks;
        for (const CourseNode& node : CourseCatalogue()) {
            if (!node.isCategory())
                ranks.insert(QString::fromUtf16(node.text), int(ranks.size()));
        }
        return ranks;
    }();
    return ranks.value(course.toString(), int(ranks.size()));
}

} // namespace

MeaningLookup::MeaningLookup(WordStore* store)
{
    if (!store || !store->IsOpen())
        return;
    const Result<void> read = store->SelectWords(kStatement, [this](WordEntry&& entry) {
        m_byKey.insert(normalised(entry.en), int(m_rows.size()));
        m_rows.push_back(std::move(entry));
    });
    // A vocabulary that cannot be read gives no meanings; the words keep the ones they have.
    if (!read) {
        m_rows.clear();
        m_byKey.clear();
    }
}

std::optional<QString> MeaningLookup::Find(const QString& word) const
{
    const QString typed = word.simplified();
    const QString key = normalised(typed);
    if (key.isEmpty())
        return std::nullopt;
    // The same headword exactly, then without case, then by its key; within each, the first
    // in the catalogue's course order, then in file order.
    std::optional<std::tuple<int, int, int>> best;
    for (auto it = m_byKey.constFind(key); it != m_byKey.cend() && it.key() == key; ++it) {
        const WordEntry& row = m_rows[std::size_t(*it)];
        const QString headword = row.en.simplified();
        const int match = headword == typed ? 0 : headword.compare(typed, Qt::CaseInsensitive) == 0 ? 1 : 2;
        const auto rank = std::tuple{match, courseRank(QStringView(row.ch).left(row.ch.indexOf(kCourseEnd))), *it};
        if (!best || rank < *best)
            best = rank;
    }
    if (!best)
        return std::nullopt;
    const QString& packed = m_rows[std::size_t(std::get<2>(*best))].ch;
    return packed.mid(packed.indexOf(kCourseEnd) + 1);
}
