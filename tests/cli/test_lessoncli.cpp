// A dictation lesson made by lexovox-batch with a real voice: the track and its timed list,
// where the words are heard, and what a full disk or Ctrl+C leaves.

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include "batchclifixture.h"

namespace {

/// The mono samples of a sound file as a player decodes it, and its rate.
std::pair<std::vector<short>, int> Decoded(const QString& path)
{
    SF_INFO info{};
    SNDFILE* sound = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!sound)
        return {};
    std::vector<short> frames(std::size_t(info.frames) * std::size_t(info.channels));
    frames.resize(std::size_t(sf_readf_short(sound, frames.data(), info.frames)) * std::size_t(info.channels));
    sf_close(sound);
    std::vector<short> mono;
    for (std::size_t i = 0; i < frames.size(); i += std::size_t(info.channels))
        mono.push_back(frames[i]);
    return {mono, info.samplerate};
}

/// Where sound begins after at least `gap` seconds of near-silence (-40 dBFS): each word's
/// number, when the pauses within a word are shorter than the gap.
std::vector<double> Onsets(const std::vector<short>& samples, int rate, double gap)
{
    std::vector<double> onsets;
    std::optional<std::size_t> last;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(int(samples[i])) < 328)
            continue;
        if (!last || double(i - *last) / rate > gap)
            onsets.push_back(double(i) / rate);
        last = i;
    }
    return onsets;
}

std::vector<double> LyricsTimes(const QString& lyrics)
{
    std::vector<double> times;
    static const QRegularExpression line(u"^\\[(\\d+):(\\d\\d\\.\\d\\d)\\]\\d+\\. "_qs, QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(lyrics); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        times.push_back(m.captured(1).toInt() * 60 + m.captured(2).toDouble());
    }
    return times;
}

class LessonCli : public BatchCli
{
protected:
    QString words() const { return csv(u"七年级.csv"_qs, "en,ch\napple,n. 苹果\nbanana,n. 香蕉\nred,adj. 红色的\ncarrot,n. 胡萝卜\n"); }
    /// A lesson of `count` words by the Flite voice, with the pieces' folder in `pieces`.
    QStringList manyWordsLesson(int count, const QTemporaryDir& pieces) const
    {
        qputenv("TMPDIR", QFile::encodeName(pieces.path()));
        return {u"--out"_qs, out(), u"--words"_qs, manyWords(count), u"--voice"_qs, u"flite-rms"_qs,
                u"--lesson"_qs, u"--jobs"_qs, u"2"_qs};
    }
    void TearDown() override { qunsetenv("TMPDIR"); }

    QString text(const QString& name) const
    {
        QFile file(QDir(out()).filePath(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
};

TEST_F(LessonCli, TheTimedListAndTheChaptersSayWhereEachWordIsHeard)
{
    const Outcome made = run({u"--out"_qs, out(), u"--words"_qs, words(), u"--lesson"_qs, u"--type"_qs, u"mp3"_qs,
                              u"--meaning"_qs, u"--repeat"_qs, u"2"_qs, u"--lesson-pause"_qs, u"2500"_qs,
                              u"--sheets"_qs, u"chinese"_qs, u"--key"_qs});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    EXPECT_EQ(written(), (QStringList{u"七年级 听写 答案.pdf"_qs, u"七年级 听写 答题纸.pdf"_qs, u"七年级 听写.lrc"_qs,
                                      u"七年级 听写.mp3"_qs}));
    // The summary, with nothing said before it (not even by Qt about the missing session), names
    // what the lesson wrote: its words and length, not "0 written" for want of the words' files.
    const QStringList said = made.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(said.size(), 4) << made.err.toStdString();
    const QRegularExpressionMatch summary =
        QRegularExpression(u"^lesson: 4 words, (\\d+) s in 七年级 听写.mp3, made in \\d+\\.\\d s$"_qs).match(said[0]);
    ASSERT_TRUE(summary.hasMatch()) << said[0].toStdString();
    const auto [heard, heardRate] = Decoded(QDir(out()).filePath(u"七年级 听写.mp3"_qs));
    ASSERT_GT(heardRate, 0);
    EXPECT_NEAR(summary.captured(1).toDouble(), double(heard.size()) / heardRate, 0.5);
    EXPECT_EQ(said.mid(1), (QStringList{u"lesson: 七年级 听写.lrc"_qs, u"lesson: 七年级 听写 答题纸.pdf"_qs,
                                        u"lesson: 七年级 听写 答案.pdf"_qs}));
    // The key in the order the class hears the words.
    if (const QString pdftotext = QStandardPaths::findExecutable(u"pdftotext"_qs); !pdftotext.isEmpty()) {
        QProcess tool;
        tool.start(pdftotext, {QDir(out()).filePath(u"七年级 听写 答案.pdf"_qs), u"-"_qs});
        ASSERT_TRUE(tool.waitForFinished(30000));
        const QString key = QString::fromUtf8(tool.readAllStandardOutput());
        const qsizetype apple = key.indexOf(u"apple"_qs), red = key.indexOf(u"红色的"_qs), carrot = key.indexOf(u"carrot"_qs);
        EXPECT_TRUE(apple >= 0 && apple < red && red < carrot) << key.toStdString();
    }
    EXPECT_TRUE(whole(out(), u"七年级 听写.mp3"_qs));

    const QString lyrics = text(u"七年级 听写.lrc"_qs);
    EXPECT_TRUE(lyrics.contains(u"]3. red adj. 红色的\n"_qs)) << lyrics.toStdString();
    const std::vector<double> times = LyricsTimes(lyrics);
    const auto [samples, rate] = Decoded(QDir(out()).filePath(u"七年级 听写.mp3"_qs));
    ASSERT_GT(rate, 0);
    const std::vector<double> onsets = Onsets(samples, rate, 1.5);
    ASSERT_EQ(times.size(), 4u) << lyrics.toStdString();
    ASSERT_EQ(onsets.size(), times.size());
    for (std::size_t i = 0; i < times.size(); ++i)
        EXPECT_NEAR(times[i], onsets[i], 0.050) << "word " << i + 1;

    // A player that knows chapters finds one per word, titled as the list's line.
    const QString probe = QStandardPaths::findExecutable(u"ffprobe"_qs);
    if (probe.isEmpty())
        GTEST_SKIP() << "ffprobe is not installed: chapters not read back here";
    QProcess tool;
    tool.start(probe, {u"-v"_qs, u"error"_qs, u"-show_chapters"_qs, u"-of"_qs, u"csv"_qs,
                       QDir(out()).filePath(u"七年级 听写.mp3"_qs)});
    ASSERT_TRUE(tool.waitForFinished(30000));
    const QStringList chapters = QString::fromUtf8(tool.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(chapters.size(), 4) << chapters.join(u'\n').toStdString();
    EXPECT_TRUE(chapters[2].endsWith(u",3. red adj. 红色的"_qs)) << chapters[2].toStdString();
}

// A word list of a header alone is a mistake to point out, as a course of no words is, not a
// run that ends well having written nothing, or a lesson of no word.
TEST_F(LessonCli, AWordListWithoutWordsIsRefused)
{
    const QString empty = csv(u"empty.csv"_qs, "en,ch\n");
    for (const QStringList& kind : {QStringList{}, QStringList{u"--lesson"_qs}, QStringList{u"--lesson"_qs, u"--sheets"_qs, u"blank"_qs}}) {
        const Outcome outcome = run(QStringList{u"--out"_qs, out(), u"--words"_qs, empty} + kind);
        EXPECT_EQ(outcome.status, 2) << kind.join(u' ').toStdString();
        EXPECT_EQ(outcome.err, u"lexovox-batch: no words in %1\nTry 'lexovox-batch --help'.\n"_qs.arg(empty));
    }
    EXPECT_TRUE(written().isEmpty()) << written().join(u' ').toStdString();
}

TEST_F(LessonCli, ASmallDiskOrCtrlCLeavesNoLessonAndTheStatusSaysSo)
{
    QTemporaryDir pieces;
    const QStringList lesson = manyWordsLesson(60, pieces) << u"--per-word"_qs;

    // Room for each word's own file, not for the track of all of them.
    const Outcome full = runProgram(QStringLiteral(LEXOVOX_BATCH), lesson, [] {
        const rlimit limit{rlim_t(400 * 1024), rlim_t(400 * 1024)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(full.status, 1) << full.err.toStdString();
    EXPECT_TRUE(full.err.contains(u"lexovox-batch: many 听写.wav: "_qs)) << full.err.toStdString();
    EXPECT_TRUE(full.err.contains(u"60 written, 0 skipped, 1 failed"_qs)) << full.err.toStdString();
    EXPECT_FALSE(full.err.contains(u"lesson: "_qs)) << full.err.toStdString();
    for (const QString& file : written())
        EXPECT_TRUE(file.startsWith(u"word"_qs) && file.endsWith(u".wav"_qs)) << file.toStdString();

    // Stopped while the track is being made: no part of it is left, nor of its pieces.
    QDir(out()).removeRecursively();
    QDir().mkpath(out());
    QProcess tool;
    tool.setChildProcessModifier([] { ::setpgid(0, 0); });
    tool.start(QStringLiteral(LEXOVOX_BATCH), lesson);
    ASSERT_TRUE(tool.waitForStarted());
    // The words' own files come first; the track's pieces follow them.
    for (int i = 0; i < 600 && !QFile::exists(QDir(out()).filePath(u"word59.wav"_qs)); ++i)
        QThread::msleep(50);
    ::kill(-pid_t(tool.processId()), SIGINT);
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 128 + SIGINT);
    for (const QString& file : written())
        EXPECT_TRUE(file.startsWith(u"word"_qs) && file.endsWith(u".wav"_qs)) << file.toStdString();
    EXPECT_TRUE(QDir(pieces.path()).isEmpty()) << QDir(pieces.path()).entryList().join(u' ').toStdString();
}

TEST_F(LessonCli, WhatAKilledLessonLeavesIsSweptByTheNextOne)
{
    QTemporaryDir pieces;
    const QStringList lesson = manyWordsLesson(200, pieces) << u"--quiet"_qs;
    QProcess tool;
    tool.setChildProcessModifier([] { ::setpgid(0, 0); });
    tool.start(QStringLiteral(LEXOVOX_BATCH), lesson);
    ASSERT_TRUE(tool.waitForStarted());
    // Killed with the track under way: its temporary file and its pieces' folder stay behind.
    for (int i = 0; i < 600 && written().filter(u".part"_qs).isEmpty(); ++i)
        QThread::msleep(50);
    QThread::msleep(300);
    ::kill(-pid_t(tool.processId()), SIGKILL);
    ASSERT_TRUE(tool.waitForFinished(10000));
    EXPECT_FALSE(written().filter(u".part"_qs).isEmpty());
    EXPECT_FALSE(QDir(pieces.path()).isEmpty());

    const Outcome again = run(lesson);
    EXPECT_EQ(again.status, 0) << again.err.toStdString();
    EXPECT_EQ(written(), (QStringList{u"many 听写.lrc"_qs, u"many 听写.wav"_qs}));
    EXPECT_TRUE(QDir(pieces.path()).isEmpty()) << QDir(pieces.path()).entryList().join(u' ').toStdString();
}

} // namespace
