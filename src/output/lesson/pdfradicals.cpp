#include "output/lesson/pdfradicals.h"

#include <algorithm>
#include <utility>

#include <QFont>
#include <QRawFont>
#include <QRegularExpression>

namespace {

constexpr char16_t kFirstRadical = 0x2E80;
constexpr char16_t kLastRadical = 0x2FDF;
// The unified ideographs, then Extension A: a glyph is named after the first that uses it.
constexpr std::pair<char16_t, char16_t> kIdeographs[] = {{0x4E00, 0x9FFF}, {0x3400, 0x4DBF}};

QString Range(char16_t first, char16_t last)
{
    QString text;
    for (char32_t c = first; c <= last; ++c)
        text += QChar(char16_t(c));
    return text;
}

// A code of the map, "<2F00>", rewritten in place when it is a radical of `ideographs`.
void Rename(QByteArray& pdf, qsizetype at, const QHash<char16_t, char16_t>& ideographs)
{
    bool ok = false;
    const auto code = char16_t(pdf.mid(at + 1, 4).toUInt(&ok, 16));
    if (const auto it = ideographs.constFind(code); ok && it != ideographs.cend())
        pdf.replace(at + 1, 4, QByteArray::number(uint(*it), 16).toUpper().rightJustified(4, '0'));
}

// The lines of one ToUnicode map: "<cid> <cid> [<code> …]" names a glyph per code; "<cid> <cid>
// <code>" names a run of glyphs after a run of codes, and is renamed only for a run of one.
void RenameInMap(QByteArray& pdf, qsizetype from, qsizetype to, const QHash<char16_t, char16_t>& ideographs)
{
    static const QRegularExpression code(QStringLiteral("<[0-9A-F]{4}>"));
    static const QRegularExpression codes(QStringLiteral("^<[0-9A-F]{4}> <[0-9A-F]{4}> \\["));
    static const QRegularExpression single(QStringLiteral("^<([0-9A-F]{4})> <\\1> <[0-9A-F]{4}>$"));
    while (from < to) {
        qsizetype end = pdf.indexOf('\n', from);
        if (end < 0 || end > to)
            end = to;
        const QString line = QString::fromLatin1(pdf.constData() + from, end - from);
        if (const QRegularExpressionMatch m = codes.match(line); m.hasMatch()) {
            for (QRegularExpressionMatchIterator it = code.globalMatch(line, m.capturedEnd()); it.hasNext();)
                Rename(pdf, from + it.next().capturedStart(), ideographs);
        } else if (single.match(line).hasMatch()) {
            Rename(pdf, from + line.lastIndexOf(u'<'), ideographs);
        }
        from = end + 1;
    }
}

} // namespace

QHash<char16_t, char16_t> IdeographsOfRadicals(const QFont& font)
{
    const QRawFont raw = QRawFont::fromFont(font);
    QHash<quint32, char16_t> ideographOfGlyph;
    for (const auto& [first, last] : kIdeographs) {
        const QList<quint32> glyphs = raw.glyphIndexesForString(Range(first, last));
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            if (glyphs[i] != 0 && !ideographOfGlyph.contains(glyphs[i]))
                ideographOfGlyph.insert(glyphs[i], char16_t(first + i));
        }
    }
    QHash<char16_t, char16_t> ideographs;
    const QList<quint32> glyphs = raw.glyphIndexesForString(Range(kFirstRadical, kLastRadical));
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        if (const auto it = ideographOfGlyph.constFind(glyphs[i]); glyphs[i] != 0 && it != ideographOfGlyph.cend())
            ideographs.insert(char16_t(kFirstRadical + i), *it);
    }
    return ideographs;
}

void NameGlyphsAfterIdeographs(QByteArray& pdf, const QHash<char16_t, char16_t>& ideographs)
{
    if (ideographs.isEmpty())
        return;
    // Qt writes each map unfiltered, as "N 0 obj\n<< /Length L >>\nstream\n" and its L bytes.
    static const QByteArray reference("/ToUnicode ");
    for (qsizetype at = pdf.indexOf(reference); at >= 0; at = pdf.indexOf(reference, at + 1)) {
        const qsizetype numberAt = at + reference.size();
        const QByteArray head = '\n' + pdf.mid(numberAt, pdf.indexOf(' ', numberAt) - numberAt) + " 0 obj\n<< /Length ";
        const qsizetype object = pdf.indexOf(head);
        const qsizetype stream = object < 0 ? -1 : pdf.indexOf(" >>\nstream\n", object);
        bool ok = false;
        const qsizetype length = stream < 0 ? 0 : pdf.mid(object + head.size(), stream - object - head.size()).toLongLong(&ok);
        if (!ok)
            continue;
        const qsizetype from = stream + qsizetype(sizeof(" >>\nstream\n")) - 1;
        RenameInMap(pdf, from, std::min(from + length, pdf.size()), ideographs);
    }
}
