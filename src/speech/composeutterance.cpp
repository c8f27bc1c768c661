#include "speech/composeutterance.h"

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

} // namespace

QString ComposeUtterance(QString en, QString ch, SpeechOptions options)
{
    en = en.toLower();
    ch.replace(kEllipsis, kEllipsisReading);

    if (en.contains(u' ')) {
        QString text = (options.prefix ? kPhraseLabel : QString()) + en + u';';
        if (options.chineseMeaning)
            text += ch + kMeaningEnd;
        return text;
    }

    QString letters = SpellOut(en);
    const QString wordLabel = options.prefix ? kWordLabel : QString();
    QString lettersLabel = options.prefix ? kLettersLabel : QString();
    if (!options.spellOut) {
        lettersLabel.clear();
        letters.clear();
    }
    if (!options.chineseMeaning)
        ch.clear();
    return wordLabel + en + u';' + lettersLabel + letters + u';' + ch + kMeaningEnd;
}
