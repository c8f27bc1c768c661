#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sndfile.h>
#include <taglib/chapterframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/xiphcomment.h>

#include "output/filetags.h"
#include "output/lessonoptions.h"
#include "output/lesson/lessoncues.h"
#include "output/lesson/lessonplan.h"
#include "output/piecesource.h"
#include "speech/chinesenumbers.h"
#include "speech/soundtrack.h"

namespace {

TEST(LessonPlan, NamesItsFilesAfterTheSourceAsAnyFileSystemTakesThem)
{
    EXPECT_EQ(LessonName({WordSource::Kind::Course, u"中考词汇"_qs}), u"中考词汇 听写"_qs);
    EXPECT_EQ(LessonName({WordSource::Kind::EnglishLookUp, u"ban"_qs}), u"查询：ban 听写"_qs);
    EXPECT_EQ(LessonName({WordSource::Kind::WordsFile, u"/home/t/unit 1.csv"_qs}), u"unit 1 听写"_qs);
    // A name that would write elsewhere, hide the file or cut a line of a report.
    EXPECT_EQ(LessonName({WordSource::Kind::Course, u"../a/b"_qs}), u"_a_b 听写"_qs);
    EXPECT_EQ(LessonName({WordSource::Kind::Course, u"a\nb*?"_qs}), u"a b__ 听写"_qs);
    EXPECT_EQ(LessonName({WordSource::Kind::Course, QString()}), u"听写"_qs);
    const QString longName = LessonName({WordSource::Kind::Course, QString(300, u'词')});
    EXPECT_LE(QFile::encodeName(longName + u" 答题纸.pdf"_qs).size(), 255);

    BatchJob job;
    job.folder = u"/out"_qs;
    job.source = {WordSource::Kind::Course, u"中考词汇"_qs};
    job.files.encoding = speech::FileEncoding::Of(speech::OutputFileType::Mp3);
    const LessonPaths paths = LessonFilePaths(job);
    EXPECT_EQ(paths.track, u"/out/中考词汇 听写.mp3"_qs);
    EXPECT_EQ(paths.lyrics, u"/out/中考词汇 听写.lrc"_qs);
    EXPECT_EQ(paths.key, u"/out/中考词汇 听写 答案.pdf"_qs);
    EXPECT_EQ(paths.sheet, u"/out/中考词汇 听写 答题纸.pdf"_qs);

    // Its pieces are levelled even when the files are not: a lesson is heard as one.
    job.sound.loudnessLufs.reset();
    EXPECT_EQ(PieceEncoding(job).loudnessLufs, SoundOptions::kDefaultLoudnessLufs);
    EXPECT_EQ(PieceEncoding(job).pcmFor, speech::OutputFileType::Mp3);
    EXPECT_EQ(PieceEncoding(job).leadMs, 0);
}

TEST(LessonPlan, EachWordIsSaidAfterItsNumber)
{
    const std::vector<LessonWord> words =
        PlanLessonWords({{u"apple"_qs, u"苹果"_qs}, {u"pear"_qs, u"梨"_qs}}, WordSpeech(SpeechOptions{false, true, false}));
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[1].number, 2);
    EXPECT_EQ(words[1].headword, u"pear"_qs);
    EXPECT_TRUE(words[1].text.startsWith(SpokenOrdinal(2)));
    EXPECT_TRUE(words[1].text.contains(u"pear"_qs));
    EXPECT_TRUE(words[1].text.contains(u"梨"_qs));
}

TEST(LessonPlan, TheTimedListHasALineWhereEachWordBegins)
{
    const std::vector<LessonWord> words{{1, u"apple"_qs, u"n. 苹果"_qs, {}}, {2, u"a\nb"_qs, {}, {}},
                                        {1603, u"zoo"_qs, u"动物园\r\n"_qs, {}}};
    const QString lyrics = LessonLyrics(u"中考词汇 听写"_qs, words, {0.14, 61.005, 3725.5});
    EXPECT_EQ(lyrics, u"[ti:中考词汇 听写]\n"
                      "[00:00.14]1. apple n. 苹果\n"
                      "[01:01.01]2. a b\n"
                      "[62:05.50]1603. zoo 动物园\n"_qs);
}

/// A tone of `seconds` after `silence` seconds, 16 kHz mono, as a piece.
QString WritePiece(const QString& path, double silence, double seconds)
{
    SF_INFO info{};
    info.samplerate = 16000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    std::vector<short> samples(std::size_t(16000 * (silence + seconds)), 0);
    for (std::size_t i = std::size_t(16000 * silence); i < samples.size(); ++i)
        samples[i] = short(6000 * std::sin(double(i) * 0.17));
    SNDFILE* sound = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    sf_write_short(sound, samples.data(), sf_count_t(samples.size()));
    sf_close(sound);
    return path;
}

/// A track of `ms` of silence at `path`, of `type`, for tags to be written into.
void WriteSilentTrack(const QString& path, speech::OutputFileType type, int ms)
{
    speech::SoundTrack track;
    ASSERT_TRUE(track.Open(path, 18, speech::FileEncoding::Of(type)));
    ASSERT_TRUE(track.AppendSilence(ms));
    ASSERT_TRUE(track.Commit());
}

TEST(SoundTrack, JoinsPiecesAndSilenceAndSaysWhereEachPieceSounds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"track.wav"_qs);
    {
        speech::SoundTrack track;
        ASSERT_TRUE(track.Open(path, 18, speech::FileEncoding::Of(speech::OutputFileType::Wav)));
        ASSERT_TRUE(track.AppendSilence(250));
        const Result<speech::TrackPiece> first = track.AppendPiece(WritePiece(dir.filePath(u"1.wav"_qs), 0.1, 0.5));
        ASSERT_TRUE(first);
        EXPECT_DOUBLE_EQ(first->start, 0.25);
        EXPECT_NEAR(first->sound, 0.35, 0.001);
        EXPECT_DOUBLE_EQ(first->seconds, 0.6);
        ASSERT_TRUE(track.AppendSilence(1000));
        const Result<speech::TrackPiece> second = track.AppendPiece(WritePiece(dir.filePath(u"2.wav"_qs), 0, 0.3));
        ASSERT_TRUE(second);
        EXPECT_NEAR(second->sound, 1.85, 0.001);
        // A piece in another format is refused, not resampled by mistake.
        SF_INFO info{};
        info.samplerate = 22050;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        sf_close(sf_open(QFile::encodeName(dir.filePath(u"odd.wav"_qs)).constData(), SFM_WRITE, &info));
        EXPECT_EQ(track.AppendPiece(dir.filePath(u"odd.wav"_qs)).error().Error(), E_INVALIDARG);
        EXPECT_FALSE(track.AppendPiece(dir.filePath(u"none.wav"_qs)));
        EXPECT_DOUBLE_EQ(track.Seconds(), 2.15);
        EXPECT_FALSE(QFile::exists(path));  // only once complete
        ASSERT_TRUE(track.Commit());
    }
    SF_INFO info{};
    SNDFILE* sound = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    ASSERT_TRUE(sound);
    sf_close(sound);
    EXPECT_EQ(info.frames, 16000 * 215 / 100);

    // Given up before Commit, nothing is left.
    {
        speech::SoundTrack track;
        ASSERT_TRUE(track.Open(dir.filePath(u"given-up.mp3"_qs), 18, speech::FileEncoding::Of(speech::OutputFileType::Mp3)));
        ASSERT_TRUE(track.AppendSilence(500));
    }
    EXPECT_EQ(QDir(dir.path()).entryList({u"*.mp3*"_qs}, QDir::Files | QDir::Hidden), QStringList());
}

TEST(SoundTrack, ItsFailuresNameTheTrack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"gone/track.wav"_qs);
    speech::SoundTrack track;
    EXPECT_FALSE(track.AppendSilence(100));  // nothing to append to before it is open
    const Result<void> opened = track.Open(path, 18, speech::FileEncoding::Of(speech::OutputFileType::Wav));
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().Subject(), path);
    const Result<void> committed = track.Commit();
    ASSERT_FALSE(committed);
    EXPECT_EQ(committed.error().Subject(), path);
}

QString FromTag(const TagLib::String& text)
{
    return QString::fromStdString(text.to8Bit(true));
}

TEST(FileTags, ChaptersReadBackFromAnMp3AndAnOpusFile)
{
    QTemporaryDir dir;
    FileTags tags{u"中考词汇 听写"_qs, u"中考词汇"_qs, 0, 0, {}, {}};
    tags.chapters = {{0.14, 9.09, u"1. apple 苹果"_qs}, {9.09, 18.5, u"2. pear 梨"_qs}};
    for (const auto type : {speech::OutputFileType::Mp3, speech::OutputFileType::Opus}) {
        const QString path = dir.filePath(u"t."_qs + speech::FileTypeExtension(type));
        WriteSilentTrack(path, type, 1000);
        ASSERT_TRUE(WriteFileTags(path, type, tags));
        // Written twice, the chapters are replaced, not added to.
        ASSERT_TRUE(WriteFileTags(path, type, tags));
        if (type == speech::OutputFileType::Mp3) {
            TagLib::MPEG::File file(QFile::encodeName(path).constData());
            TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
            ASSERT_TRUE(tag);
            const TagLib::ID3v2::FrameList chapters = tag->frameList("CHAP");
            ASSERT_EQ(chapters.size(), 2u);
            const auto* second = dynamic_cast<TagLib::ID3v2::ChapterFrame*>(chapters[1]);
            ASSERT_TRUE(second);
            EXPECT_EQ(second->startTime(), 9090u);
            EXPECT_EQ(second->endTime(), 18500u);
            EXPECT_EQ(FromTag(second->embeddedFrameList("TIT2").front()->toString()), u"2. pear 梨"_qs);
            const TagLib::ID3v2::FrameList contents = tag->frameList("CTOC");
            ASSERT_EQ(contents.size(), 1u);
            const auto* toc = dynamic_cast<TagLib::ID3v2::TableOfContentsFrame*>(contents.front());
            EXPECT_TRUE(toc->isTopLevel() && toc->isOrdered());
            EXPECT_EQ(toc->entryCount(), 2u);
        } else {
            TagLib::Ogg::Opus::File file(QFile::encodeName(path).constData());
            const TagLib::Ogg::FieldListMap fields = file.tag()->fieldListMap();
            EXPECT_EQ(FromTag(fields["CHAPTER002"].front()), u"00:00:09.090"_qs);
            EXPECT_EQ(FromTag(fields["CHAPTER002NAME"].front()), u"2. pear 梨"_qs);
            EXPECT_EQ(fields["CHAPTER001"].size(), 1u);
        }
    }
}

// A lesson of a course has hundreds of words: its chapters must all be found by players.
TEST(FileTags, ALongListOfChaptersIsFoundWholeAndLongTitlesAreCutForPlayers)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"long.mp3"_qs);
    WriteSilentTrack(path, speech::OutputFileType::Mp3, 700);
    FileTags tags;
    for (int i = 0; i < 600; ++i)
        tags.chapters.push_back({i * 0.001, (i + 1) * 0.001, u"%1. word 很长的意思，"_qs.arg(i + 1).repeated(i == 7 ? 10 : 1)});
    ASSERT_TRUE(WriteFileTags(path, speech::OutputFileType::Mp3, tags));

    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->frameList("CHAP").size(), 600u);
    std::vector<TagLib::ByteVector> listed;
    const TagLib::ID3v2::TableOfContentsFrame* top = nullptr;
    for (TagLib::ID3v2::Frame* frame : tag->frameList("CTOC")) {
        const auto* toc = dynamic_cast<TagLib::ID3v2::TableOfContentsFrame*>(frame);
        ASSERT_TRUE(toc);
        EXPECT_LE(toc->entryCount(), 255u);
        if (toc->isTopLevel())
            top = toc;
        else
            for (const TagLib::ByteVector& id : toc->childElements())
                listed.push_back(id);
    }
    ASSERT_TRUE(top);
    EXPECT_EQ(top->entryCount(), 3u);
    ASSERT_EQ(listed.size(), 600u);
    EXPECT_EQ(listed[299], TagLib::ByteVector("chp300"));

    const auto* long8 = dynamic_cast<TagLib::ID3v2::ChapterFrame*>(tag->frameList("CHAP")[7]);
    const QString title = FromTag(long8->embeddedFrameList("TIT2").front()->toString());
    EXPECT_TRUE(title.startsWith(u"8. word 很长的意思，"_qs) && title.endsWith(u'…')) << title.toStdString();
    EXPECT_LT(title.toUtf8().size(), 127);
}

} // namespace
