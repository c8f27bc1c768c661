#include "speech/tonenumbers.h"

namespace {

// The longest syllable, "zhuang", has six letters.
constexpr int kMostLetters = 6;

// Vowels with a tone mark, by tone (1 to 4), in the order of kPlainVowels.
constexpr char16_t kMarkedVowels[4][7] = {u"āēīōūǖ", u"áéíóúǘ", u"ǎěǐǒǔǚ", u"àèìòùǜ"};
constexpr char16_t kPlainVowels[] = u"aeiouü";
constexpr QChar kUmlautU = QChar(0x00FC);

class Syllables
{
public:
    explicit Syllables(bool neutralUnmarked)
        : m_neutralUnmarked(neutralUnmarked)
    {
    }

    bool letter(QChar c, int tone)
    {
        if (m_letters.size() >= kMostLetters || (tone > 0 && m_tone > 0))
            return false;
        m_letters += c;
        if (tone > 0)
            m_tone = tone;
        return true;
    }

    // "u:" is ü.
    bool umlaut()
    {
        if (!m_letters.endsWith(u'u'))
            return false;
        m_letters.back() = kUmlautU;
        return true;
    }

    bool toneNumber(int tone)
    {
        if (m_letters.isEmpty() || m_tone > 0)
            return false;
        m_tone = tone;
        return end();
    }

    bool end()
    {
        if (m_letters.isEmpty())
            return true;
        if (m_tone == 0 && !m_neutralUnmarked)
            return false;
        if (!m_result.text.isEmpty())
            m_result.text += u' ';
        m_result.text += m_letters + QChar(u'0' + (m_tone > 0 ? m_tone : 5));
        ++m_result.syllables;
        m_letters.clear();
        m_tone = 0;
        return true;
    }

    ToneNumbered result() const { return m_result; }

private:
    const bool m_neutralUnmarked;
    QString m_letters;
    int m_tone = 0;
    ToneNumbered m_result;
};

} // namespace

std::optional<ToneNumbered> ToneNumberedPinyin(QStringView reading, bool neutralUnmarked)
{
    Syllables syllables(neutralUnmarked);
    for (const QChar original : reading) {
        const QChar c = original.toLower();
        bool ok = true;
        if (c.isSpace() || c == u'\'' || c == u'-') {
            ok = syllables.end();
        } else if (c >= u'1' && c <= u'5') {
            ok = syllables.toneNumber(c.unicode() - u'0');
        } else if ((c >= u'a' && c <= u'z') || c == kUmlautU) {
            ok = syllables.letter(c == u'v' ? kUmlautU : c, 0);
        } else if (c == u':') {
            ok = syllables.umlaut();
        } else {
            ok = false;
            for (int tone = 1; tone <= 4; ++tone) {
                if (const qsizetype at = QStringView(kMarkedVowels[tone - 1]).indexOf(c); at >= 0) {
                    ok = syllables.letter(QChar(kPlainVowels[at]), tone);
                    break;
                }
            }
        }
        if (!ok)
            return std::nullopt;
    }
    if (!syllables.end() || syllables.result().syllables == 0)
        return std::nullopt;
    return syllables.result();
}
