#include "speech/chinesenumbers.h"

#include <array>
#include <vector>

#include <QStringList>

#include "speech/platform/readingmark.h"

namespace {

struct Syllable
{
    QChar character;
    const char* pinyin;
};

constexpr std::array<Syllable, 10> kDigits{{{u'零', "ling2"}, {u'一', "yi1"}, {u'二', "er4"}, {u'三', "san1"},
                                            {u'四', "si4"}, {u'五', "wu3"}, {u'六', "liu4"}, {u'七', "qi1"},
                                            {u'八', "ba1"}, {u'九', "jiu3"}}};
constexpr Syllable kTen{u'十', "shi2"};
constexpr Syllable kHundred{u'百', "bai3"};
constexpr Syllable kThousand{u'千', "qian1"};
constexpr Syllable kTenThousand{u'万', "wan4"};

/// A section below 10,000. `leading`: the first of the number, where 十 alone says 10 to 19.
void appendSection(std::vector<Syllable>& out, int n, bool leading)
{
    const std::array<Syllable, 4> units{kThousand, kHundred, kTen, {}};
    const std::array<int, 4> values{1000, 100, 10, 1};
    bool zeroPending = false;
    bool any = false;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const int digit = n / values[i] % 10;
        if (digit == 0) {
            zeroPending = any;
            continue;
        }
        if (zeroPending)
            out.push_back(kDigits[0]);
        zeroPending = false;
        if (!(leading && !any && i == 2 && digit == 1))
            out.push_back(kDigits[std::size_t(digit)]);
        if (i < 3)
            out.push_back(units[i]);
        any = true;
    }
}

std::vector<Syllable> syllables(int n)
{
    std::vector<Syllable> out;
    if (n <= 0 || n > 99'999'999)
        return {kDigits[0]};
    if (n >= 10000) {
        appendSection(out, n / 10000, true);
        out.push_back(kTenThousand);
        if (const int low = n % 10000; low > 0) {
            if (low < 1000)
                out.push_back(kDigits[0]);
            appendSection(out, low, false);
        }
    } else {
        appendSection(out, n, true);
    }
    return out;
}

} // namespace

QString ChineseNumeral(int n)
{
    QString text;
    for (const Syllable& s : syllables(n))
        text += s.character;
    return text;
}

QString ChineseNumeralPinyin(int n)
{
    const std::vector<Syllable> said = syllables(n);
    QStringList pinyin;
    for (std::size_t i = 0; i < said.size(); ++i) {
        QString reading = QString::fromLatin1(said[i].pinyin);
        // 一 before a syllable of the fourth tone is yí, before the others yì; counted as a
        // digit of its own (十一, 第一) it keeps yī.
        const QChar next = i + 1 < said.size() ? said[i + 1].character : QChar();
        if (said[i].character == u'一' && (next == u'百' || next == u'千'))
            reading = QStringLiteral("yi4");
        else if (said[i].character == u'一' && next == u'万')
            reading = QStringLiteral("yi2");
        pinyin.append(reading);
    }
    return pinyin.join(u' ');
}

QString SpokenOrdinal(int n)
{
    return ReadingMark(QStringLiteral("第%1个").arg(ChineseNumeral(n)),
                       QStringLiteral("di4 %1 ge4").arg(ChineseNumeralPinyin(n)));
}
