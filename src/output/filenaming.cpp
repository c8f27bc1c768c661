#include "output/filenaming.h"

#include <algorithm>

#include <QSet>

#include "output/outputpath.h"

namespace {

bool IsRefusedOnCard(QChar c)
{
    return c.category() == QChar::Other_Control || QStringView(u"\"*:<>?\\|").contains(c);
}

} // namespace

int NumberWidth(int count)
{
    return static_cast<int>(QString::number(std::max(count, 1)).size());
}

QString CardSafeStem(const QString& stem)
{
    QString safe = stem;
    for (QChar& c : safe) {
        if (IsRefusedOnCard(c))
            c = u'_';
    }
    while (!safe.isEmpty() && (safe.back() == u'.' || safe.back() == u' '))
        safe.chop(1);
    return safe;
}

std::vector<std::optional<QString>> PlanFileNames(const QStringList& headwords, const FileNaming& naming)
{
    const int width = NumberWidth(static_cast<int>(headwords.size()));
    const QString suffix = u'.' + naming.extension;
    const auto key = [&](const QString& name) { return naming.cardSafe ? name.toCaseFolded() : name; };
    QSet<QString> taken;
    std::vector<std::optional<QString>> names;
    names.reserve(static_cast<std::size_t>(headwords.size()));
    for (qsizetype row = 0; row < headwords.size(); ++row) {
        // A card-safe name is made of any headword first: its control characters become "_" as
        // the other characters a card refuses do, and only what is still refused then has no file.
        QString stem = naming.cardSafe ? CardSafeStem(headwords[row]) : headwords[row];
        if (IsRefusedHeadword(stem)) {
            names.emplace_back();
            continue;
        }
        if (naming.numbered)
            stem = QStringLiteral("%1 ").arg(row + 1, width, 10, QLatin1Char('0')) + stem;
        QString name = stem + suffix;
        for (int copy = 2; taken.contains(key(name)); ++copy)
            name = QStringLiteral("%1 (%2)").arg(stem).arg(copy) + suffix;
        taken.insert(key(name));
        names.emplace_back(name);
    }
    return names;
}
