#include "speech/composeutterance.h"

#include <algorithm>

#include "speech/platform/readingmark.h"

namespace {

const QString kWordLabel = QStringLiteral("单词:");
const QString kLettersLabel = QStringLiteral("拼写:");
const QString kPhraseLabel = QStringLiteral("短语:");
constexpr QChar kLetterSeparator = QChar(0x3000);  // ideographic space
constexpr QChar kEllipsis = QChar(0x2026);
const QString kEllipsisReading = QStringLiteral("什么");
const QString kMeaningEnd = QStringLiteral(" ;");

// Each character followed by one ideographic space, hyphens left out. A character outside the
// basic plane (two UTF-16 units) stays whole.
QString SpellOut(const QString& word)
{
    QString letters;
    letters.reserve(word.size() * 2);
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word[i];
        if (c == u'-')
            continue;
        letters += c;
        if (c.isHighSurrogate() && i + 1 < word.size() && word[i + 1].isLowSurrogate())
            letters += word[++i];
        letters += kLetterSeparator;
    }
    return letters;
}

// Only the composer writes pause marks and readings.
void DropMarks(QString& text)
{
    for (const QChar mark : {kPauseMarkStart, kPauseMarkEnd, kReadingStart, kReadingSeparator, kReadingEnd})
        text.remove(mark);
}

// Only a pronunciation list writes phonemes.
void DropMarkup(QString& text)
{
    DropMarks(text);
    text.replace(QStringLiteral("[["), QStringLiteral("[ ["));
}

} // namespace

QString PauseMark(int ms)
{
    return kPauseMarkStart + QString::number(std::clamp(ms, 0, kMaxPauseMs)) + kPauseMarkEnd;
}

QString ComposeUtterance(QString en, QString ch, SpeechOptions options)
{
    return ComposeUtterance(std::move(en), std::move(ch), options, UtteranceStyle{});
}

QString ComposeUtterance(QString en, QString ch, SpeechOptions options, const UtteranceStyle& style)
{
    DropMarkup(en);
    DropMarkup(ch);
    QString spoken = style.spokenHeadword;
    DropMarks(spoken);
    en = en.toLower();
    if (spoken.isEmpty())
        spoken = en;
    ch.replace(kEllipsis, kEllipsisReading);
    const int repeat = std::clamp(style.repeat, 1, kMaxRepeat);
    const bool marked = style.pauseMs || repeat > 1;
    const QString pause = PauseMark(style.pauseMs.value_or(kPartPauseMs));
    const bool phrase = en.contains(u' ');

    QString text = (options.prefix ? (phrase ? kPhraseLabel : kWordLabel) : QString()) + spoken + u';';
    for (int i = 1; i < repeat; ++i)
        text += pause + spoken + u';';
    if (!options.chineseMeaning)
        ch.clear();
    if (phrase) {
        if (options.chineseMeaning && !(marked && ch.isEmpty()))
            text += (marked ? pause : QString()) + ch + kMeaningEnd;
        return text;
    }

    const bool spell = options.spellOut;
    const QString letters = spell ? (options.prefix ? kLettersLabel : QString()) + SpellOut(en) : QString();
    if (!marked)
        return text + letters + u';' + ch + kMeaningEnd;
    if (!letters.isEmpty())
        text += pause + letters + u';';
    if (!ch.isEmpty())
        text += pause + ch + kMeaningEnd;
    return text;
}
