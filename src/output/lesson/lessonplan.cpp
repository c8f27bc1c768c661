#include "output/lesson/lessonplan.h"

#include <QDir>
#include <QFile>

#include "output/batchreport.h"
#include "output/filenaming.h"
#include "speech/chinesenumbers.h"

namespace {

// Room for " 答题纸.pdf" after the name within the 255 bytes a file name may have.
constexpr qsizetype kMaxNameBytes = 200;

} // namespace

std::vector<LessonWord> PlanLessonWords(const std::vector<WordEntry>& rows, const WordSpeech& speech)
{
    std::vector<LessonWord> words;
    words.reserve(rows.size());
    for (const WordEntry& row : rows) {
        const int number = int(words.size()) + 1;
        // The number, a breath, then the word: a class hears "第三个" apart from the word.
        words.push_back({number, row.en, row.ch,
                         SpokenOrdinal(number) + PauseMark(kPartPauseMs * 2) + speech.Compose(row.en, row.ch)});
    }
    return words;
}

QString LessonName(const WordSource& source)
{
    QString album = OneLine(source.Album());
    album.replace(u'/', u'_');
    while (QFile::encodeName(album).size() > kMaxNameBytes)
        album.chop(1);
    // Not hidden, and what a memory card takes.
    QString name = CardSafeStem(album + QStringLiteral(" 听写"));
    while (name.startsWith(u'.') || name.startsWith(u' '))
        name.remove(0, 1);
    return name;
}

LessonPaths LessonFilePaths(const BatchJob& job)
{
    const QString stem = QDir(job.folder).filePath(LessonName(job.source));
    return {stem + u'.' + speech::FileTypeExtension(job.files.encoding.type), stem + QStringLiteral(".lrc"),
            stem + QStringLiteral(" 答案.pdf"), stem + QStringLiteral(" 答题纸.pdf")};
}
