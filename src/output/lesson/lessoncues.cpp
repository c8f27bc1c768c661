#include "output/lesson/lessoncues.h"

#include <algorithm>

#include "output/batchreport.h"

QString LessonWordTitle(const LessonWord& word)
{
    QString title = QStringLiteral("%1. %2").arg(word.number).arg(OneLine(word.headword));
    if (const QString meaning = OneLine(word.meaning); !meaning.isEmpty())
        title += u' ' + meaning;
    return title;
}

QString LessonLyrics(const QString& title, const std::vector<LessonWord>& words, const std::vector<double>& starts)
{
    QString text = QStringLiteral("[ti:%1]\n").arg(OneLine(title));
    for (std::size_t i = 0; i < words.size() && i < starts.size(); ++i) {
        const qint64 hundredths = qRound64(starts[i] * 100);
        text += QStringLiteral("[%1:%2.%3]")
                    .arg(hundredths / 6000, 2, 10, QLatin1Char('0'))
                    .arg(hundredths / 100 % 60, 2, 10, QLatin1Char('0'))
                    .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
        text += LessonWordTitle(words[i]) + u'\n';
    }
    return text;
}

std::vector<FileTags::Chapter> LessonChapters(const std::vector<LessonWord>& words, const std::vector<double>& starts,
                                              double seconds)
{
    std::vector<FileTags::Chapter> chapters;
    const std::size_t count = std::min(words.size(), starts.size());
    chapters.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        chapters.push_back({starts[i], i + 1 < count ? starts[i + 1] : seconds, LessonWordTitle(words[i])});
    return chapters;
}
