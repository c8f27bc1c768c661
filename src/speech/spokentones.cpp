#include "speech/spokentones.h"

#include <QStringView>

namespace {

constexpr char32_t kYi = U'一';
constexpr char32_t kBu = U'不';

// A syllable of the run, with the context the rules look at.
struct Syllable
{
    char32_t character = 0;
    QString* reading = nullptr;  // in its word's syllables
    ReadWord::Source source = ReadWord::Source::Character;
    bool endsWord = false;       // the last of a word of more than one character
    int tone = 0;                // as written, or before its change for 一 (1) and 不 (4)
};

bool IsOneOf(char32_t c, QStringView set)
{
    return c != 0 && set.contains(QChar(c));
}

// Digits said one by one, or counted: 一二三, 十一, 一百零一.
bool IsNumeral(char32_t c)
{
    return IsOneOf(c, u"〇零一二三四五六七八九十百千万亿两萬億兩");
}

bool IsDigit(char32_t c)
{
    return IsOneOf(c, u"〇零一二三四五六七八九十");
}

// Before them 一 is said as chinesenumbers.h says: 一百 yì bǎi, 一万 yí wàn.
bool IsPlace(char32_t c)
{
    return IsOneOf(c, u"百千万亿萬億");
}

// Repeated, the second is neutral: 爸爸 bà ba, 姐姐 jiě jie.
bool IsKinship(char32_t c)
{
    return IsOneOf(c, u"爸妈哥姐弟妹爷奶叔婶舅姑姥伯婆公");
}

QStringView Letters(const QString& reading)
{
    return QStringView(reading).chopped(1);
}

int ToneOf(const QString& reading)
{
    return reading.isEmpty() ? 0 : reading.back().digitValue();
}

void SetTone(Syllable& s, int tone)
{
    s.reading->back() = QChar(u'0' + tone);
}

std::vector<Syllable> SyllablesOf(std::vector<ReadWord>& run)
{
    std::vector<Syllable> all;
    for (ReadWord& word : run) {
        const QList<uint> characters = word.characters.toUcs4();
        for (qsizetype i = 0; i < characters.size() && i < word.syllables.size(); ++i) {
            Syllable s{characters[i], &word.syllables[i], word.source, characters.size() > 1 && i + 1 == characters.size()};
            s.tone = ToneOf(*s.reading);
            // A dictionary may write 一 and 不 as said before the next syllable (一定 yí dìng).
            if (s.character == kYi && Letters(*s.reading) == u"yi" && (s.tone == 2 || s.tone == 4))
                s.tone = 1;
            else if (s.character == kBu && Letters(*s.reading) == u"bu" && s.tone == 2)
                s.tone = 4;
            all.push_back(s);
        }
    }
    return all;
}

// The tone 一 takes before a syllable of tone `next`.
int YiBefore(int next)
{
    return next == 4 || next == 5 ? 2 : 4;
}

int YiTone(const Syllable* before, const Syllable* after, bool endsWord)
{
    const char32_t previous = before ? before->character : 0;
    const char32_t next = after ? after->character : 0;
    if (previous != 0 && previous == next && !IsNumeral(previous))
        return 5;  // 看一看
    if (IsPlace(next))
        return YiBefore(after->tone);
    if (!after || endsWord || IsNumeral(previous) || previous == U'第' || IsDigit(next) || next == U'的')
        return 1;  // 统一, 十一, 第一, 一二三, 一一, 唯一的; at the end of a phrase
    return YiBefore(after->tone);
}

int BuTone(const Syllable* before, const Syllable* after)
{
    if (before && after && before->character == after->character)
        return 5;  // 好不好
    return after && after->tone == 4 ? 2 : 4;
}

// Words before a verb (已, 可, 难 ...) and verbs of getting (获, 赢 ...).
bool TakesVerb(const Syllable* before)
{
    return before && IsOneOf(before->character, u"已未应可难获取赢博求所售赚");
}

// A character outside any word in its most common reading, as it is said after another
// character `before` or first; empty to keep it.
QString CharacterReading(const Syllable& s, const Syllable* before)
{
    const bool after = before != nullptr;
    const QStringView letters = Letters(*s.reading);
    switch (s.character) {
    case U'地':
        return letters == u"di" || letters == u"de" ? QString::fromLatin1(after ? "de5" : "di4") : QString();
    case U'得':
        // 已得, 应得, 获得: after a word that takes a verb it is the verb dé, "to get".
        return letters == u"de" ? QString::fromLatin1(after && !TakesVerb(before) ? "de5" : "de2") : QString();
    case U'子':
        return letters == u"zi" ? QString::fromLatin1(after ? "zi5" : "zi3") : QString();
    default:
        return {};
    }
}

} // namespace

void SpeakTones(std::vector<ReadWord>& run)
{
    using Source = ReadWord::Source;
    std::vector<Syllable> all = SyllablesOf(run);
    for (std::size_t i = 0; i < all.size(); ++i) {
        Syllable& s = all[i];
        if (s.source == Source::AsSaid)
            continue;
        const Syllable* before = i > 0 ? &all[i - 1] : nullptr;
        const Syllable* after = i + 1 < all.size() ? &all[i + 1] : nullptr;
        const QStringView letters = Letters(*s.reading);
        if (s.character == kYi && letters == u"yi" && s.tone == 1) {
            SetTone(s, YiTone(before, after, s.endsWord && s.source == Source::Words));
        } else if (s.character == kBu && letters == u"bu" && s.tone == 4) {
            SetTone(s, BuTone(before, after));
        } else if (IsKinship(s.character) && before && before->character == s.character
                   && before->source != Source::AsSaid) {
            SetTone(s, 5);
        } else if (s.source == Source::Character) {
            if (const QString reading = CharacterReading(s, before); !reading.isEmpty())
                *s.reading = reading;
        }
    }
}
