#include "output/lessonplan.h"

#include <QDir>
#include <QFile>

#include "output/batchreport.h"
#include "output/filenaming.h"
#include "output/soundoptions.h"
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

speech::FileEncoding LessonPieceEncoding(const BatchJob& job)
{
    speech::FileEncoding piece = speech::FileEncoding::Of(speech::OutputFileType::Wav);
    piece.pcmFor = job.files.encoding.type;
    piece.loudnessLufs = job.sound.loudnessLufs.value_or(SoundOptions::kDefaultLoudnessLufs);
    return piece;
}

QString LessonCueTitle(const LessonCue& cue)
{
    QString title = QStringLiteral("%1. %2").arg(cue.number).arg(OneLine(cue.headword));
    if (const QString meaning = OneLine(cue.meaning); !meaning.isEmpty())
        title += u' ' + meaning;
    return title;
}

QString LessonLyrics(const QString& title, const std::vector<LessonCue>& cues)
{
    QString text = QStringLiteral("[ti:%1]\n").arg(OneLine(title));
    for (const LessonCue& cue : cues) {
        const qint64 hundredths = qRound64(cue.seconds * 100);
        text += QStringLiteral("[%1:%2.%3]")
                    .arg(hundredths / 6000, 2, 10, QLatin1Char('0'))
                    .arg(hundredths / 100 % 60, 2, 10, QLatin1Char('0'))
                    .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
        text += LessonCueTitle(cue) + u'\n';
    }
    return text;
}
