#include "speech/chinesereadings.h"

#include <vector>

#include "speech/chinesewords.h"
#include "speech/platform/readingmark.h"
#include "speech/platform/speechplan.h"
#include "speech/spokentones.h"

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
    std::vector<ReadWord> words;
    for (qsizetype i = 0; i < run.size();) {
        const QStringView rest = run.sliced(i);
        ChineseWords::Match match = own ? own->LongestAt(rest) : ChineseWords::Match{};
        match.asSaid = true;
        if (shipped) {
            if (ChineseWords::Match data = shipped->LongestAt(rest); data.length > match.length)
                match = std::move(data);
        }
        if (match.length == 0) {
            char32_t c = 0;
            match.length = CodePointAt(run, i, c);
        }
        ReadWord word{rest.first(match.length).toString(), match.pinyin.split(u' ', Qt::SkipEmptyParts),
                      match.asSaid ? ReadWord::Source::AsSaid : ReadWord::Source::Words};
        // A character alone of the shipped readings is one of the characters', in its most common
        // reading; one without a reading stays for the voice.
        if ((word.syllables.size() == 1 && word.source == ReadWord::Source::Words) || word.syllables.isEmpty())
            word.source = ReadWord::Source::Character;
        words.push_back(std::move(word));
        i += match.length;
    }
    SpeakTones(words);
    for (const ReadWord& word : words)
        marked += word.syllables.isEmpty() ? word.characters : ReadingMark(word.characters, word.syllables.join(u' '));
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
        // A reading marked before (a spoken ordinal) stays as it is.
        if (all[i] == kReadingStart) {
            const qsizetype end = all.indexOf(kReadingEnd, i);
            const qsizetype next = end < 0 ? all.size() : end + 1;
            marked += all.sliced(i, next - i);
            i = next;
            continue;
        }
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
