#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <sndfile.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/xiphcomment.h>

#include <QFile>
#include <QTemporaryDir>

#include "output/filetags.h"

using speech::OutputFileType;

namespace {

void CloseSound(SNDFILE* sound)
{
    sf_close(sound);
}
using Sound = std::unique_ptr<SNDFILE, decltype(&CloseSound)>;

// Half a second of a tone in the type's container, as the file stream writes it.
void WriteTone(const QString& path, int format, int rate)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = format;
    const Sound sound(sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info), &CloseSound);
    ASSERT_TRUE(sound) << sf_strerror(nullptr);
    std::vector<short> samples(static_cast<std::size_t>(rate / 2));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<short>(8000 * std::sin(0.1 * static_cast<double>(i)));
    sf_write_short(sound.get(), samples.data(), static_cast<sf_count_t>(samples.size()));
}

sf_count_t FramesOf(const QString& path)
{
    SF_INFO info{};
    const Sound sound(sf_open(QFile::encodeName(path).constData(), SFM_READ, &info), &CloseSound);
    return sound ? info.frames : -1;
}

QString FromTag(const TagLib::String& text)
{
    return QString::fromStdString(text.to8Bit(true));
}

const FileTags kTags{QStringLiteral("apple"), QStringLiteral("人教版七年级上册"), 7, 300,
                     QStringLiteral("n. 苹果；苹果树"), {}};

class FileTagsTest : public testing::Test
{
protected:
    QTemporaryDir m_dir;
};

} // namespace

// The temporary name the file stream uses: tags may not depend on the extension.
TEST_F(FileTagsTest, Mp3GetsAnId3v24TagInUtf8Only)
{
    const QString path = m_dir.filePath(QStringLiteral(".lexovox-0001.mp3.part"));
    WriteTone(path, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 16000);
    const sf_count_t frames = FramesOf(path);
    // Tagging twice (a retry) replaces the frames rather than adding to them.
    ASSERT_TRUE(WriteFileTags(path, OutputFileType::Mp3, {QStringLiteral("x"), {}, 1, 0, QStringLiteral("y"), {}}));
    ASSERT_TRUE(WriteFileTags(path, OutputFileType::Mp3, kTags));

    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    ASSERT_TRUE(file.isValid());
    EXPECT_FALSE(file.hasID3v1Tag());  // Latin-1 only: it would garble the meaning
    ASSERT_TRUE(file.hasID3v2Tag());
    TagLib::ID3v2::Tag& tag = *file.ID3v2Tag();
    EXPECT_EQ(tag.header()->majorVersion(), 4u);
    EXPECT_EQ(FromTag(tag.title()), kTags.title);
    EXPECT_EQ(FromTag(tag.album()), kTags.album);
    EXPECT_EQ(FromTag(tag.frameListMap()["TRCK"].front()->toString()), QStringLiteral("7/300"));
    ASSERT_EQ(tag.frameListMap()["COMM"].size(), 1u);
    const auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(tag.frameListMap()["COMM"].front());
    ASSERT_NE(comment, nullptr);
    EXPECT_EQ(FromTag(comment->text()), kTags.meaning);
    EXPECT_EQ(comment->textEncoding(), TagLib::String::UTF8);
    ASSERT_EQ(tag.frameListMap()["USLT"].size(), 1u);
    const auto* lyrics = dynamic_cast<TagLib::ID3v2::UnsynchronizedLyricsFrame*>(tag.frameListMap()["USLT"].front());
    ASSERT_NE(lyrics, nullptr);
    EXPECT_EQ(FromTag(lyrics->text()), kTags.meaning);
    // The sound is untouched.
    EXPECT_EQ(FramesOf(path), frames);
}

TEST_F(FileTagsTest, OpusGetsVorbisComments)
{
    const QString path = m_dir.filePath(QStringLiteral(".lexovox-0002.opus.part"));
    WriteTone(path, SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000);
    const sf_count_t frames = FramesOf(path);
    ASSERT_TRUE(WriteFileTags(path, OutputFileType::Opus, kTags));
    ASSERT_TRUE(WriteFileTags(path, OutputFileType::Opus, kTags));

    TagLib::Ogg::Opus::File file(QFile::encodeName(path).constData());
    ASSERT_TRUE(file.isValid());
    const TagLib::Ogg::FieldListMap fields = file.tag()->fieldListMap();
    // The one value of a field; a missing or repeated field shows as its count.
    const auto field = [&](const char* key) {
        const auto found = fields.find(key);
        const unsigned count = found == fields.end() ? 0 : found->second.size();
        return count == 1 ? FromTag(found->second.front()) : QStringLiteral("<%1 values>").arg(count);
    };
    EXPECT_EQ(field("TITLE"), kTags.title);
    EXPECT_EQ(field("ALBUM"), kTags.album);
    EXPECT_EQ(field("TRACKNUMBER"), QStringLiteral("7"));
    EXPECT_EQ(field("TRACKTOTAL"), QStringLiteral("300"));
    EXPECT_EQ(field("COMMENT"), kTags.meaning);
    EXPECT_EQ(field("LYRICS"), kTags.meaning);
    EXPECT_EQ(FramesOf(path), frames);
}

TEST_F(FileTagsTest, WavIsLeftAloneAndBadFilesFail)
{
    const QString wav = m_dir.filePath(QStringLiteral("apple.wav"));
    WriteTone(wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 16000);
    QFile file(wav);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    EXPECT_TRUE(WriteFileTags(wav, OutputFileType::Wav, kTags));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);

    // A WAV is no Opus file; a missing file is nothing.
    const Result<void> notOpus = WriteFileTags(wav, OutputFileType::Opus, kTags);
    ASSERT_FALSE(notOpus);
    EXPECT_EQ(notOpus.error().Error(), ResultCode::TagsNotWritten);
    EXPECT_EQ(notOpus.error().Subject(), wav);
    EXPECT_FALSE(WriteFileTags(m_dir.filePath(QStringLiteral("missing.mp3")), OutputFileType::Mp3, kTags));
    EXPECT_EQ(LookupAlbum(QStringLiteral("app")), QStringLiteral("查询：app"));
}
