#include "speech/chinesereadings.h"

#include "speech/chinesewords.h"
#include "speech/platform/readingmark.h"
#include "speech/platform/speechplan.h"

namespace {

// The UTF-16 units of the code point at `i`.
qsizetype CodePointAt(QStringView text, qsizetype i, char32_t& value)
{
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        value = QChar::surrogateToUcs4(text[i], text[i + 1]);
        return 2;
    }
    value = text[i].unicode();
    return 1;
}

// Where the run of Han characters from `start` ends.
qsizetype HanRunEnd(QStringView text, qsizetype start)
{
    qsizetype i = start;
    char32_t c = 0;
    for (qsizetype length = 0; i < text.size(); i += length) {
        length = CodePointAt(text, i, c);
        if (speech::ScriptOf(c) != speech::Script::Han)
            break;
    }
    return i;
}

void MarkRun(QStringView run, const ChineseWords* shipped, const ChineseWords* own, QString& marked)
{
    for (qsizetype i = 0; i < run.size();) {
        const QStringView rest = run.sliced(i);
        ChineseWords::Match match = own ? own->LongestAt(rest) : ChineseWords::Match{};
        if (shipped) {
            if (ChineseWords::Match data = shipped->LongestAt(rest); data.length > match.length)
                match = std::move(data);
        }
        if (match.length > 0) {
            marked += ReadingMark(rest.first(match.length), match.pinyin);
            i += match.length;
            continue;
        }
        char32_t c = 0;
        const qsizetype length = CodePointAt(run, i, c);
        marked += rest.first(length);
        i += length;
    }
}

} // namespace

QString MarkChineseReadings(const QString& text, const ChineseWords* shipped, const ChineseWords* own)
{
    if ((!shipped || shipped->IsEmpty()) && (!own || own->IsEmpty()))
        return text;
    QString marked;
    marked.reserve(text.size() * 4);
    const QStringView all(text);
    char32_t c = 0;
    for (qsizetype i = 0; i < all.size();) {
        const qsizetype length = CodePointAt(all, i, c);
        if (speech::ScriptOf(c) != speech::Script::Han) {
            marked += all.sliced(i, length);
            i += length;
            continue;
        }
        const qsizetype end = HanRunEnd(all, i);
        MarkRun(all.sliced(i, end - i), shipped, own, marked);
        i = end;
    }
    return marked;
}
