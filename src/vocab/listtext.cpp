#include "vocab/listtext.h"

#include <algorithm>

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

namespace {

constexpr qsizetype kMaxLineLength = 200;

struct Split
{
    QString word;
    QString meaning;
};

bool isLatinLetter(QChar c)
{
    return c.isLetter() && c.script() == QChar::Script_Latin;
}

bool hasLatinLetter(const QString& text)
{
    return std::ranges::any_of(text, isLatinLetter);
}

/// Where a meaning starts in a line typed as "apple苹果" or "apple （名）苹果": a Chinese
/// character, or Chinese punctuation (、。《【（：，).
bool startsChinese(QChar c)
{
    const char16_t u = c.unicode();
    return c.script() == QChar::Script_Han || (u >= 0x3001 && u <= 0x303F) || (u >= 0xFF01 && u <= 0xFF0F)
           || (u >= 0xFF1A && u <= 0xFF20) || (u >= 0xFF3B && u <= 0xFF40) || (u >= 0xFF5B && u <= 0xFF65);
}

/// "1. ", "12) ", "3、", "(4)", "①", "5 " before a word: a teacher's numbering, not the word.
const QRegularExpression& numbering()
{
    static const QRegularExpression re(
        uR"(^(?:[(（]\s*\d{1,5}\s*[)）]|\d{1,5}\s*[.)、．）:：]|\d{1,5}(?=\s+\p{Latin})|[\x{2460}-\x{2473}\x{2776}-\x{277F}])\s*)"_qs);
    return re;
}

/// A part of speech written between the word and its meaning ("apple n. 苹果"): it belongs to
/// the meaning.
const QRegularExpression& partOfSpeech()
{
    static const QRegularExpression re(
        uR"(\s+((?:n|v|vt|vi|adj|adv|prep|pron|conj|num|art|int|interj|aux|abbr|pl)\.(?:\s*[/&]\s*(?:n|v|vt|vi|adj|adv)\.)*)$)"_qs);
    return re;
}

/// A pronunciation between slashes or brackets ("apple /ˈæpl/ 苹果"): spoken by the voice, not
/// part of the word or its meaning.
const QRegularExpression& phonetics()
{
    static const QRegularExpression re(uR"(\s*(?:/[^/]+/|\[[^\]]+\]))"_qs);
    return re;
}

bool isSeparatorPunctuation(QChar c)
{
    return c.isSpace() || QStringView(u",，:：;；、-–—=").contains(c);
}

QString trimSeparators(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isSeparatorPunctuation(text[begin]))
        ++begin;
    while (end > begin && isSeparatorPunctuation(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool isNumberField(const QString& field)
{
    const QString bare = field.trimmed();
    return !bare.isEmpty() && (numbering().match(bare).capturedLength() == bare.size()
                               || std::ranges::all_of(bare, [](QChar c) { return c.isDigit(); }));
}

/// A line of comma-separated fields, quotes as a spreadsheet writes them ("a, b",c).
QStringList csvFields(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"' && field.trimmed().isEmpty()) {
            quoted = true;
            field.clear();
        } else if (c == u',' || c == u'，') {
            fields.append(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field);
    return fields;
}

/// The first two fields that hold something, after a leading number column.
Split fromFields(QStringList fields)
{
    for (QString& field : fields)
        field = field.trimmed();
    if (fields.size() >= 2 && isNumberField(fields.front()))
        fields.removeFirst();
    fields.removeAll(QString());
    return {fields.value(0), fields.value(1)};
}

Split splitLine(const QString& line)
{
    if (line.contains(u'\t'))
        return fromFields(line.split(u'\t'));
    if (line.startsWith(u'"'))
        return fromFields(csvFields(line));

    const auto chinese = std::ranges::find_if(line, startsChinese);
    const qsizetype han = chinese == line.end() ? -1 : qsizetype(chinese - line.begin());
    const auto before = [han](qsizetype at) { return at >= 0 && (han < 0 || at < han); };
    qsizetype comma = line.indexOf(u',');
    if (comma < 0)
        comma = line.indexOf(u'，');
    if (before(comma))
        return fromFields(csvFields(line));
    // Two spaces or a tab's worth of alignment in a typed list.
    static const QRegularExpression gap(uR"(\s{2,}|\x{3000})"_qs);
    if (const QRegularExpressionMatch wide = gap.match(line); wide.hasMatch() && before(wide.capturedStart()))
        return {line.left(wide.capturedStart()), line.mid(wide.capturedEnd())};
    if (han > 0)
        return {line.left(han), line.mid(han)};
    if (han == 0 && comma >= 0)
        return fromFields(csvFields(line));
    if (han == 0) {
        // "苹果 apple": the Chinese first.
        const auto latin = std::ranges::find_if(line, isLatinLetter);
        if (latin != line.end()) {
            const qsizetype at = latin - line.begin();
            return {line.mid(at), line.left(at)};
        }
    }
    return {line, {}};
}

bool isHeader(const Split& split)
{
    static const QStringList words{u"en"_qs, u"english"_qs, u"word"_qs, u"words"_qs, u"英文"_qs, u"单词"_qs,
                                   u"英语"_qs, u"词语"_qs};
    static const QStringList meanings{u"ch"_qs, u"chinese"_qs, u"meaning"_qs, u"meanings"_qs, u"中文"_qs,
                                      u"释义"_qs, u"词义"_qs, u"意思"_qs, u"汉语"_qs, u"解释"_qs};
    return words.contains(split.word.toLower()) && (split.meaning.isEmpty() || meanings.contains(split.meaning.toLower()));
}

/// The word and meaning of one line; a line without an English word gives a word without a
/// Latin letter.
Split takeLine(const QString& line)
{
    QString rest = line.trimmed();
    if (rest.startsWith(QChar(0xFEFF)))
        rest = rest.mid(1).trimmed();
    rest.remove(0, numbering().match(rest).capturedLength());
    Split split = splitLine(rest);
    split.word = trimSeparators(split.word);
    split.meaning = trimSeparators(split.meaning);
    if (!hasLatinLetter(split.word) && hasLatinLetter(split.meaning) && !split.word.isEmpty())
        std::swap(split.word, split.meaning);
    split.word.remove(0, numbering().match(split.word).capturedLength());
    split.word.replace(phonetics(), QString());
    if (const QRegularExpressionMatch pos = partOfSpeech().match(split.word); pos.hasMatch() && !split.meaning.isEmpty()) {
        split.meaning = pos.captured(1) + u' ' + split.meaning;
        split.word.truncate(pos.capturedStart());
    }
    split.word = trimSeparators(split.word).simplified();
    return split;
}

} // namespace

ListText ParseListText(const QString& text)
{
    ListText result;
    QHash<QString, qsizetype> seen;
    bool firstContent = true;
    int number = 0;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QString line = text.mid(start, end - start);
        ++number;
        start = end + (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n' ? 2 : 1);
        if (end == text.size() && line.isEmpty())
            break;

        if (line.trimmed().isEmpty())
            continue;
        if (line.size() > kMaxLineLength) {
            result.tooLongLines.append(number);
            firstContent = false;
            continue;
        }
        const Split split = takeLine(line);
        const bool header = firstContent && isHeader(split);
        firstContent = false;
        if (header)
            continue;
        if (!hasLatinLetter(split.word)) {
            result.ignoredLines.append(number);
            continue;
        }
        if (const auto known = seen.constFind(split.word); known != seen.cend()) {
            ListTextLine& first = result.words[*known];
            if (first.meaning.isEmpty())
                first.meaning = split.meaning;
            ++result.duplicatesMerged;
            continue;
        }
        seen.insert(split.word, result.words.size());
        result.words.append({number, split.word, split.meaning});
    }
    return result;
}
