#include "speech/platform/speechplan.h"

#include <algorithm>

#include "speech/platform/objecttoken.h"
#include "speech/platform/pausemark.h"
#include "speech/platform/readingmark.h"

namespace speech {
namespace {

constexpr char32_t kIdeographicSpace = 0x3000;

// The pauses a reader makes at punctuation, in the synthesiser's usual tempo. A synthesiser
// pauses at punctuation inside its text but not after the last character it is given.
int PauseAt(char32_t c)
{
    switch (c) {
    case U';':
    case U'\uFF1B':
        return kPartPauseMs;
    case U':':
    case U'\uFF1A':
        return 200;
    case U',':
    case U'\uFF0C':
    case U'\u3001':
        return 150;
    case U'.':
    case U'!':
    case U'?':
    case U'\u3002':
    case U'\uFF01':
    case U'\uFF1F':
        return 400;
    default:
        return 0;
    }
}

struct CodePoint
{
    char32_t value;
    qsizetype position;  // in UTF-16 units
    qsizetype length;    // 1, or 2 for a surrogate pair
};

std::vector<CodePoint> CodePoints(QStringView text)
{
    std::vector<CodePoint> points;
    points.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            points.push_back({QChar::surrogateToUcs4(c, text[i + 1]), i, 2});
            i += 2;
        } else {
            points.push_back({c.unicode(), i, 1});
            ++i;
        }
    }
    return points;
}

bool IsSpace(char32_t c)
{
    return c == kIdeographicSpace || QChar::isSpace(c);
}


bool IsPunctuationOrSpace(char32_t c)
{
    return ScriptOf(c) == Script::Neutral && !QChar::isLetterOrNumber(c);
}

// The longest pause among the punctuation at one end of the text.
template <class Iterator>
int PauseAtEnd(Iterator begin, Iterator end)
{
    int pause = 0;
    for (; begin != end && IsPunctuationOrSpace(begin->value); ++begin)
        pause = std::max(pause, PauseAt(begin->value));
    return pause;
}

int TrailingPause(QStringView text)
{
    const std::vector<CodePoint> points = CodePoints(text);
    return PauseAtEnd(points.rbegin(), points.rend());
}

int LeadingPause(QStringView text)
{
    const std::vector<CodePoint> points = CodePoints(text);
    return PauseAtEnd(points.begin(), points.end());
}

// Worth a synthesiser call: anything but spaces and punctuation.
bool IsSpeakable(QStringView text)
{
    const std::vector<CodePoint> points = CodePoints(text);
    return std::any_of(points.begin(), points.end(),
                       [](const CodePoint& p) { return !IsPunctuationOrSpace(p.value); });
}

class Planner
{
public:
    explicit Planner(std::vector<SpeechStep>& steps)
        : m_steps(steps)
    {
    }

    void add(const QByteArray& voice, QStringView text, bool spell, Script script = Script::Latin)
    {
        if (text.isEmpty())
            return;
        const bool speakable = spell || IsSpeakable(text);
        // Punctuation between two steps is a pause whichever of them it came with.
        if (!m_steps.empty() && !spell) {
            int& pause = m_steps.back().pauseAfterMs;
            pause = std::max(pause, speakable ? LeadingPause(text) : TrailingPause(text));
        }
        if (speakable)
            m_steps.push_back({voice, text.toString(), spell, spell ? 0 : TrailingPause(text), 100, script});
    }

private:
    std::vector<SpeechStep>& m_steps;
};

// A spelled character: one character after the start, an ideographic space or a pause mark,
// and before an ideographic space ("a　p　p　l　e　").
bool IsSpelledAt(const std::vector<CodePoint>& points, std::size_t i)
{
    if (i + 1 >= points.size() || points[i + 1].value != kIdeographicSpace
        || IsSpace(points[i].value))
        return false;
    if (i == 0)
        return true;
    const char32_t before = points[i - 1].value;
    return before == kIdeographicSpace || PauseAt(before) > 0;
}

void PlanLatinRun(Planner& planner, const QByteArray& voice, QStringView text)
{
    const std::vector<CodePoint> points = CodePoints(text);
    qsizetype plainStart = 0;
    std::size_t i = 0;
    while (i < points.size()) {
        if (!IsSpelledAt(points, i)) {
            ++i;
            continue;
        }
        planner.add(voice, text.sliced(plainStart, points[i].position - plainStart), false);
        QString letters;
        while (i < points.size() && IsSpelledAt(points, i)) {
            letters += text.sliced(points[i].position, points[i].length);
            i += 2;
        }
        planner.add(voice, letters, true);
        plainStart = i < points.size() ? points[i].position : text.size();
    }
    planner.add(voice, text.sliced(plainStart), false);
}

// A letter or digit that a reading must not run into: "yin2 hang2" beside "3" or "家".
bool JoinsReading(QChar c)
{
    return c.isLetterOrNumber() || c.isSurrogate();
}

// A Han run as the voice is given it: each marked word as its pinyin, kept apart from letters
// and digits beside it, when the voice reads pinyin; else as the word.
QString ReadHanRun(QStringView run, bool pinyin)
{
    if (!run.contains(kReadingStart))
        return run.toString();
    QString said;
    said.reserve(run.size());
    bool afterReading = false;
    for (qsizetype i = 0; i < run.size();) {
        if (run[i] != kReadingStart) {
            if (afterReading && JoinsReading(run[i]))
                said += u' ';
            afterReading = false;
            said += run[i++];
            continue;
        }
        const qsizetype separator = run.indexOf(kReadingSeparator, i);
        const qsizetype end = separator < 0 ? -1 : run.indexOf(kReadingEnd, separator);
        if (end < 0) {
            ++i;  // only the composer marks, so this is never reached; the mark is not said
            continue;
        }
        if (pinyin) {
            if (!said.isEmpty() && JoinsReading(said.back()))
                said += u' ';
            said += run.sliced(separator + 1, end - separator - 1);
            afterReading = true;
        } else {
            said += run.sliced(i + 1, separator - i - 1);
            afterReading = false;
        }
        i = end + 1;
    }
    return said;
}

} // namespace

bool ReadsPinyin(const QByteArray& voice)
{
    return voice.sliced(voice.lastIndexOf('/') + 1).toLower() == "cmn-latn-pinyin";
}

Script ScriptOf(char32_t c)
{
    if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF)
        || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3134F)
        || (c >= 0x2E80 && c <= 0x2FDF) || (c >= 0x3005 && c <= 0x3007)
        || (c >= 0x3021 && c <= 0x3029))
        return Script::Han;
    if (QChar::isLetter(c))
        return Script::Latin;
    return Script::Neutral;
}

std::vector<ScriptRun> SplitByScript(const QString& text)
{
    std::vector<ScriptRun> runs;
    qsizetype runStart = 0;
    Script runScript = Script::Neutral;
    bool inReading = false;
    for (const CodePoint& p : CodePoints(text)) {
        // A marked word is Han from its mark on, its pinyin included.
        if (inReading || p.value == kReadingSeparator.unicode()) {
            inReading = p.value != kReadingEnd.unicode();
            continue;
        }
        const Script script = p.value == kReadingStart.unicode() ? Script::Han : ScriptOf(p.value);
        if (script == Script::Neutral || script == runScript)
            continue;
        // The first letter's run keeps runStart 0, taking the leading punctuation along.
        if (runScript != Script::Neutral) {
            runs.push_back({runScript, text.sliced(runStart, p.position - runStart)});
            runStart = p.position;
        }
        runScript = script;
    }
    if (!text.isEmpty())
        runs.push_back({runScript, text.sliced(runStart)});
    return runs;
}

VoiceChoice VoiceChoice::Of(const ObjectToken* token, const QByteArray& chinese)
{
    VoiceChoice choice{QByteArrayLiteral("cmn-latn-pinyin"), QByteArrayLiteral("en-us")};
    if (!token)
        return choice.WithChinese(chinese);
    QString value;
    if (Succeeded(token->GetStringValue(QStringLiteral("Voice"), value)) && !value.isEmpty())
        choice.han = choice.latin = value.toUtf8();
    if (Succeeded(token->GetStringValue(QStringLiteral("HanVoice"), value)) && !value.isEmpty())
        choice.han = value.toUtf8();
    if (Succeeded(token->GetStringValue(QStringLiteral("LatinVoice"), value)) && !value.isEmpty())
        choice.latin = value.toUtf8();
    return choice.WithChinese(chinese);
}

VoiceChoice VoiceChoice::WithChinese(const QByteArray& chinese) const
{
    VoiceChoice choice = *this;
    if (!chinese.isEmpty() && ReadsPinyin(han) && han != latin)
        choice.han = chinese;
    return choice;
}

std::vector<SpeechStep> PlanSpeech(const QString& text, const VoiceChoice& voices)
{
    std::vector<SpeechStep> steps;
    Planner planner(steps);
    const bool pinyin = ReadsPinyin(voices.han);
    // Pause marks: after how many steps, and how long.
    std::vector<std::pair<std::size_t, int>> marks;
    qsizetype from = 0;
    for (;;) {
        const qsizetype mark = text.indexOf(kPauseMarkStart, from);
        const qsizetype markEnd = mark < 0 ? -1 : text.indexOf(kPauseMarkEnd, mark);
        const qsizetype end = markEnd < 0 ? text.size() : mark;
        for (const ScriptRun& run : SplitByScript(text.sliced(from, end - from))) {
            if (run.script == Script::Han)
                planner.add(voices.han, ReadHanRun(run.text, pinyin), false, Script::Han);
            else
                PlanLatinRun(planner, voices.latin, run.text);
        }
        if (markEnd < 0)
            break;
        bool ok = false;
        const int ms = QStringView(text).sliced(mark + 1, markEnd - mark - 1).toInt(&ok);
        if (ok && ms >= 0 && !steps.empty())
            marks.emplace_back(steps.size(), ms);
        from = markEnd + 1;
    }
    // A mark's pause is the whole pause at that point, whatever punctuation stands there.
    for (const auto& [count, ms] : marks)
        steps[count - 1].pauseAfterMs = 0;
    for (const auto& [count, ms] : marks)
        steps[count - 1].pauseAfterMs += ms;
    if (!steps.empty())
        steps.back().pauseAfterMs = 0;
    return steps;
}

} // namespace speech
