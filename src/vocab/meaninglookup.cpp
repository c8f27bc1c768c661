#include "vocab/meaninglookup.h"

#include "vocab/coursecatalogue.h"
#include "vocab/wordstore.h"

namespace {

/// The whole word table, books in the catalogue's tree order first, then the vocabulary's own
/// courses and rows without one, each in file order: the first meaning met is the one a user
/// would find first in the tree.
QString courseOrderStatement()
{
    QString statement = u"SELECT en, ch FROM word WHERE ch IS NOT NULL AND ch <> '' ORDER BY CASE subclass"_qs;
    int rank = 0;
    for (const CourseNode& node : CourseCatalogue()) {
        if (node.isCategory())
            continue;
        QString name = QString::fromUtf16(node.text);
        statement += u" WHEN '"_qs + name.replace(u'\'', u"''"_qs) + u"' THEN "_qs + QString::number(rank++);
    }
    return statement + u" ELSE "_qs + QString::number(rank) + u" END, rowid"_qs;
}

/// The headword without case, spacing or punctuation: "Ice-cream", "ice cream" and "icecream."
/// are one key.
QString normalised(const QString& word)
{
    QString key;
    key.reserve(word.size());
    for (const QChar c : word) {
        if (c.isLetterOrNumber())
            key += c;
    }
    return key.toCaseFolded();
}

void keepFirst(QHash<QString, QString>& table, const QString& key, const QString& meaning)
{
    if (!key.isEmpty() && !table.contains(key))
        table.insert(key, meaning);
}

} // namespace

MeaningLookup::MeaningLookup(WordStore* store)
{
    if (!store || !store->IsOpen())
        return;
    const Result<void> read = store->SelectWords(courseOrderStatement(), [this](WordEntry&& entry) {
        const QString word = entry.en.simplified();
        keepFirst(m_exact, word, entry.ch);
        keepFirst(m_folded, word.toCaseFolded(), entry.ch);
        keepFirst(m_normalised, normalised(word), entry.ch);
    });
    // A vocabulary that cannot be read gives no meanings; the words keep the ones they have.
    if (!read) {
        m_exact.clear();
        m_folded.clear();
        m_normalised.clear();
    }
}

std::optional<QString> MeaningLookup::Find(const QString& word) const
{
    const QString typed = word.simplified();
    for (const auto& [table, key] : {std::pair{&m_exact, typed}, std::pair{&m_folded, typed.toCaseFolded()},
                                     std::pair{&m_normalised, normalised(typed)}}) {
        if (const auto found = table->constFind(key); found != table->cend())
            return *found;
    }
    return std::nullopt;
}
