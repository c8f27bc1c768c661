#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <sndfile.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "speech/platform/audiooutput.h"
#include "speech/platform/voice.h"
#include "speech/speechengine.h"
#include "speechfakes.h"

using namespace speech;

namespace {

struct WavContents
{
    SF_INFO info{};
    std::vector<short> samples;  // interleaved
};

void CloseSound(SNDFILE* sound)
{
    sf_close(sound);
}

WavContents ReadWav(const QString& path)
{
    WavContents wav;
    const std::unique_ptr<SNDFILE, decltype(&CloseSound)> sound(
        sf_open(QFile::encodeName(path).constData(), SFM_READ, &wav.info), &CloseSound);
    if (!sound)
        return {};
    wav.samples.resize(static_cast<std::size_t>(wav.info.frames * wav.info.channels));
    sf_readf_short(sound.get(), wav.samples.data(), wav.info.frames);
    return wav;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class FileOutputTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_platform = std::make_shared<TestPlatform>();
        m_engine = std::make_unique<SpeechEngine>(m_platform);
        ASSERT_TRUE(m_engine->Initialize(nullptr));
    }

    // As the format list does: the audio output in that format becomes the voice's output.
    void PickFormat(const WaveFormat& format)
    {
        ASSERT_EQ(m_engine->GetAudioOutput()->SetFormat(FormatId::WaveFormatEx, format), S_OK);
        ASSERT_EQ(m_engine->GetVoice()->SetOutput(m_engine->GetAudioOutput(), false), S_OK);
    }

    std::shared_ptr<OutputStream> CurrentOutput() const
    {
        std::shared_ptr<OutputStream> output;
        m_engine->GetVoice()->GetOutputStream(output);
        return output;
    }

    QStringList FilesInDir() const
    {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
    }

    QTemporaryDir m_dir;
    std::shared_ptr<TestPlatform> m_platform;
    std::unique_ptr<SpeechEngine> m_engine;
};

} // namespace

TEST_F(FileOutputTest, EveryOfferedFormatIsWrittenAsItsWav)
{
    const QString word = QStringLiteral("apple;;苹果 ;");
    const std::size_t nativeFrames = SynthesiseDirectly(*m_platform, word).size();
    for (const std::uint32_t rate : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u}) {
        for (const std::uint16_t bits : {8, 16}) {
            for (const std::uint16_t channels : {1, 2}) {
                SCOPED_TRACE(testing::Message() << rate << " Hz " << bits << " bit " << channels << " ch");
                PickFormat(WaveFormat::Pcm(rate, bits, channels));
                const QString path = m_dir.filePath(QStringLiteral("%1-%2-%3.wav").arg(rate).arg(bits).arg(channels));
                ASSERT_EQ(m_engine->SpeakToFile(word, Voice::kSpeakAsync, path), S_OK);
                EXPECT_EQ(CurrentOutput(), m_engine->GetAudioOutput());

                const WavContents wav = ReadWav(path);
                EXPECT_EQ(wav.info.samplerate, static_cast<int>(rate));
                EXPECT_EQ(wav.info.channels, channels);
                EXPECT_EQ(wav.info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);
                EXPECT_EQ(wav.info.format & SF_FORMAT_SUBMASK, bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
                const double expectedFrames = nativeFrames * static_cast<double>(rate) / 22050;
                // The synthesiser's length varies by a few milliseconds from call to call.
                EXPECT_NEAR(static_cast<double>(wav.info.frames), expectedFrames, expectedFrames * 0.05);
                bool loud = false;
                for (std::size_t i = 0; i < wav.samples.size(); i += channels) {
                    loud = loud || std::abs(wav.samples[i]) > 4000;
                    if (channels == 2 && wav.samples[i] != wav.samples[i + 1]) {
                        ADD_FAILURE() << "channels differ at frame " << i / 2;
                        break;
                    }
                }
                EXPECT_TRUE(loud);
            }
        }
    }
    EXPECT_EQ(FilesInDir().size(), 36);  // no temporary file left behind
}

TEST_F(FileOutputTest, ReplacesAnExistingFile)
{
    const QString path = m_dir.filePath(QStringLiteral("apple.wav"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("not a wav");
    old.close();
    ASSERT_EQ(m_engine->SpeakToFile(QStringLiteral("apple"), Voice::kSpeakAsync, path), S_OK);
    const WavContents wav = ReadWav(path);
    EXPECT_EQ(wav.info.samplerate, 22050);  // the format of the output before any pick
    EXPECT_GT(wav.info.frames, 0);
    EXPECT_EQ(FilesInDir(), QStringList{QStringLiteral("apple.wav")});
}

TEST_F(FileOutputTest, FailedWriteLeavesTheOldFileAndNoTemporary)
{
    const QString path = m_dir.filePath(QStringLiteral("apple.wav"));
    ASSERT_EQ(m_engine->SpeakToFile(QStringLiteral("pear"), Voice::kSpeakAsync, path), S_OK);
    const QByteArray before = ReadAll(path);
    const std::shared_ptr<OutputStream> output = CurrentOutput();

    m_platform->fileStreams = [] { return std::make_shared<FailingFileStream>(0); };
    EXPECT_EQ(m_engine->SpeakToFile(QStringLiteral("apple;;苹果 ;"), Voice::kSpeakAsync, path),
              STG_E_MEDIUMFULL);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(FilesInDir(), QStringList{QStringLiteral("apple.wav")});
    EXPECT_EQ(CurrentOutput(), output);

    // A failure on a new name leaves no file at all, not an empty one.
    EXPECT_LT(m_engine->SpeakToFile(QStringLiteral("plum"), Voice::kSpeakAsync,
                                    m_dir.filePath(QStringLiteral("plum.wav"))),
              0);
    EXPECT_EQ(FilesInDir(), QStringList{QStringLiteral("apple.wav")});
}

TEST_F(FileOutputTest, MissingFolderFailsAndRestoresTheOutput)
{
    const std::shared_ptr<OutputStream> output = CurrentOutput();
    const QString path = m_dir.filePath(QStringLiteral("missing/apple.wav"));
    EXPECT_EQ(m_engine->SpeakToFile(QStringLiteral("apple"), Voice::kSpeakAsync, path), STG_E_PATHNOTFOUND);
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(QStringLiteral("missing"))));
    EXPECT_EQ(CurrentOutput(), output);
    // Nothing was spoken anywhere.
    EXPECT_TRUE(m_platform->recorder->Sessions().empty());
}

TEST(FileOutputWithoutOutput, VoiceWithoutOutputGivesFail)
{
    auto platform = std::make_shared<TestPlatform>();
    platform->voiceFault = TestPlatform::VoiceFault::NoOutput;
    SpeechEngine engine(platform);
    ASSERT_TRUE(engine.Initialize(nullptr));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("apple.wav"));
    EXPECT_EQ(engine.SpeakToFile(QStringLiteral("apple"), Voice::kSpeakAsync, path), E_FAIL);
    EXPECT_FALSE(QFileInfo::exists(path));
    std::shared_ptr<OutputStream> output;
    EXPECT_EQ(engine.GetVoice()->GetOutputStream(output), S_FALSE);
}
