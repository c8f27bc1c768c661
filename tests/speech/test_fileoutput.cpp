#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include <sndfile.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "speech/platform/audiooutput.h"
#include "speech/fileencoding.h"
#include "speech/platform/filestream.h"
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

// MP3 and Opus hold the same word as the WAV: same length to within 50 ms (the encoders' delay
// and padding must be trimmed on reading), the channels chosen, the rate the type allows.
TEST_F(FileOutputTest, Mp3AndOpusReadBackAsLongAsTheWav)
{
    const QString word = QStringLiteral("apple;;苹果 ;");
    for (const std::uint32_t rate : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u}) {
        for (const std::uint16_t channels : {1, 2}) {
            const std::uint16_t bits = channels == 1 ? 8 : 16;
            const WaveFormat chosen = WaveFormat::Pcm(rate, bits, channels);
            PickFormat(chosen);
            const QString stem = m_dir.filePath(QStringLiteral("%1-%2").arg(rate).arg(channels));
            ASSERT_EQ(m_engine->SpeakToFile(word, Voice::kSpeakAsync, stem + QStringLiteral(".wav")), S_OK);
            const WavContents wav = ReadWav(stem + QStringLiteral(".wav"));
            const double wavSeconds = static_cast<double>(wav.info.frames) / rate;
            for (const OutputFileType type : {OutputFileType::Mp3, OutputFileType::Opus}) {
                SCOPED_TRACE(testing::Message() << rate << " Hz " << channels << " ch " << qPrintable(FileTypeExtension(type)));
                // Mono at the lowest bit rate the format takes, stereo at the default.
                const std::uint32_t mp3Rate = EncodedWaveFormat(FileEncoding::Of(OutputFileType::Mp3), chosen).samplesPerSec;
                const int lowest = Mp3BitRates(mp3Rate, channels).front();
                const FileEncoding encoding = FileEncoding::Of(type, channels == 1 ? lowest : FileEncoding::kDefaultMp3Kbps);
                const QString path = stem + u'.' + FileTypeExtension(type);
                ASSERT_EQ(m_engine->SpeakToFile(word, Voice::kSpeakAsync, path, encoding), S_OK);
                const WavContents encoded = ReadWav(path);
                const WaveFormat expected = EncodedWaveFormat(encoding, chosen);
                EXPECT_EQ(encoded.info.format & SF_FORMAT_TYPEMASK,
                          type == OutputFileType::Mp3 ? SF_FORMAT_MPEG : SF_FORMAT_OGG);
                EXPECT_EQ(encoded.info.samplerate, static_cast<int>(expected.samplesPerSec));
                EXPECT_EQ(encoded.info.channels, channels);
                EXPECT_NEAR(static_cast<double>(encoded.info.frames) / encoded.info.samplerate, wavSeconds, 0.05);
            }
        }
    }
    EXPECT_EQ(FilesInDir().size(), 9 * 2 * 3);  // no temporary file left behind
}

// The bit rate asked for is the one written: sizes grow with it, from the lowest the format
// takes to the highest.
TEST_F(FileOutputTest, Mp3SizeFollowsTheBitRate)
{
    for (const std::uint32_t rate : {8000u, 22050u, 44100u}) {
        PickFormat(WaveFormat::Pcm(rate, 16, 1));
        const std::vector<int> rates = Mp3BitRates(rate);
        double bytesAtLowest = 0;
        for (const int kbps : {rates.front(), FileEncoding::kDefaultMp3Kbps, rates.back()}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz " << kbps << " kbps");
            const QString path = m_dir.filePath(QStringLiteral("%1-%2.mp3").arg(rate).arg(kbps));
            ASSERT_EQ(m_engine->SpeakToFile(QStringLiteral("pineapple;;菠萝 ;"), Voice::kSpeakAsync, path,
                                            FileEncoding::Of(OutputFileType::Mp3, kbps)),
                      S_OK);
            const auto bytes = static_cast<double>(QFileInfo(path).size());
            if (kbps == rates.front())
                bytesAtLowest = bytes;
            const double expected = static_cast<double>(kbps) / rates.front();
            EXPECT_NEAR(bytes / bytesAtLowest, expected, expected * 0.05);
        }
    }
}

// The finisher works on the complete file while the target's name is still free; refusing, it
// keeps the file from appearing at all.
TEST_F(FileOutputTest, FinisherRunsOnTheCompleteFileBeforeTheRename)
{
    PickFormat(WaveFormat::Pcm(16000, 16, 1));
    const QString path = m_dir.filePath(QStringLiteral("apple.opus"));
    QString seen;
    double seenSeconds = 0;
    const FileFinisher inspect = [&](const QString& written, double seconds) {
        seen = written;
        seenSeconds = seconds;
        EXPECT_FALSE(QFileInfo::exists(path));
        const WavContents contents = ReadWav(written);
        EXPECT_NEAR(static_cast<double>(contents.info.frames) / 16000, seconds, 0.05);
        return true;
    };
    ASSERT_EQ(m_engine->SpeakToFile(QStringLiteral("apple"), Voice::kSpeakAsync, path,
                                    FileEncoding::Of(OutputFileType::Opus, 64), inspect),
              S_OK);
    EXPECT_TRUE(QFileInfo(seen).fileName().startsWith(u".lexovox-"));
    EXPECT_TRUE(seen.endsWith(u".opus.part"));
    EXPECT_GT(seenSeconds, 0.2);
    EXPECT_EQ(FilesInDir(), QStringList{QStringLiteral("apple.opus")});

    const QString refused = m_dir.filePath(QStringLiteral("pear.mp3"));
    EXPECT_EQ(m_engine->SpeakToFile(QStringLiteral("pear"), Voice::kSpeakAsync, refused,
                                    FileEncoding::Of(OutputFileType::Mp3, 64), [](const QString&, double) { return false; }),
              E_FAIL);
    EXPECT_EQ(FilesInDir(), QStringList{QStringLiteral("apple.opus")});
}

// A tone written in the voice's small blocks comes back as that tone: the encoder got every
// sample (libsndfile 1.2.0's 16-bit stereo MP3 path drops half of each block).
TEST(FileStreamEncoding, EncodedFilesHoldTheSoundWritten)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const OutputFileType type : {OutputFileType::Mp3, OutputFileType::Opus}) {
        for (const std::uint32_t rate : {16000u, 48000u}) {
            for (const std::uint16_t channels : {1, 2}) {
                SCOPED_TRACE(testing::Message() << qPrintable(FileTypeExtension(type)) << " " << rate << " Hz " << channels << " ch");
                const QString path = dir.filePath(QStringLiteral("tone-%1-%2.%3").arg(rate).arg(channels).arg(FileTypeExtension(type)));
                FileStream stream;
                ASSERT_EQ(stream.BindToFile(path, FileMode::CreateAlways, FormatId::WaveFormatEx,
                                            WaveFormat::Pcm(rate, 16, channels), 0, FileEncoding::Of(type, 64)),
                          S_OK);
                std::vector<double> tone(rate);  // one second at 440 Hz
                for (std::size_t i = 0; i < tone.size(); ++i)
                    tone[i] = 12000 * std::sin(2 * std::numbers::pi * 440 * static_cast<double>(i) / rate);
                ASSERT_EQ(stream.BeginWriting(), S_OK);
                std::vector<std::int16_t> block;
                for (std::size_t i = 0; i < tone.size(); ++i) {
                    block.insert(block.end(), channels, static_cast<std::int16_t>(tone[i]));
                    if (block.size() >= 441u * channels || i + 1 == tone.size()) {
                        ASSERT_EQ(stream.Write(block), S_OK);
                        block.clear();
                    }
                }
                ASSERT_EQ(stream.EndWriting(), S_OK);
                ASSERT_EQ(stream.Commit(), S_OK);

                const WavContents read = ReadWav(path);
                ASSERT_EQ(read.info.channels, channels);
                // Best alignment within 5 ms either way, then the error against the tone.
                const std::size_t margin = rate / 200;
                double best = 1e300;
                double signal = 0;
                for (std::size_t i = margin; i + margin < tone.size(); ++i)
                    signal += tone[i] * tone[i];
                const auto frames = static_cast<std::size_t>(read.info.frames);
                for (std::size_t lag = 0; lag <= 2 * margin; ++lag) {
                    double error = 0;
                    for (std::size_t i = margin; i + margin < tone.size() && i + lag - margin < frames; ++i) {
                        for (std::uint16_t c = 0; c < channels; ++c) {
                            const double diff = read.samples[(i + lag - margin) * channels + c] - tone[i];
                            error += diff * diff / channels;
                        }
                    }
                    best = std::min(best, error);
                }
                EXPECT_GT(10 * std::log10(signal / best), 15.0) << "signal-to-error ratio in dB";
            }
        }
    }
}

TEST(FileEncoding, EncodedFormatsAndTypeNames)
{
    // Opus takes five rates: others go up to the next; MP3 and Opus are encoded from 16 bits.
    const FileEncoding opus = FileEncoding::Of(OutputFileType::Opus, 64);
    EXPECT_EQ(EncodedWaveFormat(opus, WaveFormat::Pcm(11025, 8, 2)), WaveFormat::Pcm(12000, 16, 2));
    EXPECT_EQ(EncodedWaveFormat(opus, WaveFormat::Pcm(22050, 16, 1)), WaveFormat::Pcm(24000, 16, 1));
    EXPECT_EQ(EncodedWaveFormat(opus, WaveFormat::Pcm(32000, 16, 1)), WaveFormat::Pcm(48000, 16, 1));
    EXPECT_EQ(EncodedWaveFormat(opus, WaveFormat::Pcm(44100, 16, 1)), WaveFormat::Pcm(48000, 16, 1));
    EXPECT_EQ(EncodedWaveFormat(opus, WaveFormat::Pcm(8000, 8, 1)), WaveFormat::Pcm(8000, 16, 1));
    EXPECT_EQ(EncodedWaveFormat(FileEncoding::Of(OutputFileType::Mp3, 64), WaveFormat::Pcm(44100, 8, 2)),
              WaveFormat::Pcm(44100, 16, 2));
    EXPECT_EQ(EncodedWaveFormat({}, WaveFormat::Pcm(11025, 8, 1)), WaveFormat::Pcm(11025, 8, 1));

    EXPECT_EQ(FileTypeFromName(u"MP3"), OutputFileType::Mp3);
    EXPECT_EQ(FileTypeFromName(u"opus"), OutputFileType::Opus);
    EXPECT_EQ(FileTypeFromName(u"ogg"), std::nullopt);
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

// The rates of each MPEG version, within the 32–320 offered, from the lowest whose first frame
// holds LAME's Info tag; a rate given to the encoder is one of them.
TEST(FileEncoding, Mp3BitRatesFollowTheMpegVersionAndTheInfoTag)
{
    const std::vector<int> mpeg1From64 = {64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    const struct
    {
        std::uint32_t rate;
        std::uint16_t channels;
        std::vector<int> rates;
    } cases[] = {
        {8000, 1, {32, 40, 48, 56, 64}},  // MPEG-2.5 stops at 64; 24 would hold the tag, 32 is the least offered
        {12000, 2, {32, 40, 48, 56, 64}},
        {16000, 1, {40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},  // MPEG-2 has 144, stops at 160
        {22050, 2, {56, 64, 80, 96, 112, 128, 144, 160}},
        {24000, 1, {64, 80, 96, 112, 128, 144, 160}},
        {32000, 1, {40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},  // MPEG-1 has no 144
        {32000, 2, {48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},  // stereo's side information is larger
        {44100, 1, {56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {44100, 2, mpeg1From64},
        {48000, 2, mpeg1From64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz " << c.channels << " ch");
        EXPECT_EQ(Mp3BitRates(c.rate, c.channels), c.rates);
        // What is asked from that list is written as asked; the default is always on it.
        for (const int kbps : c.rates)
            EXPECT_EQ(EffectiveMp3Kbps(kbps, c.rate, c.channels), kbps);
        EXPECT_NE(std::ranges::find(c.rates, FileEncoding::kDefaultMp3Kbps), c.rates.end());
    }

    // Anything else reaching the encoder becomes the next rate the format takes, or its highest.
    EXPECT_EQ(EffectiveMp3Kbps(33, 8000), 40);
    EXPECT_EQ(EffectiveMp3Kbps(8, 8000), 32);
    EXPECT_EQ(EffectiveMp3Kbps(128, 8000), 64);
    EXPECT_EQ(EffectiveMp3Kbps(32, 44100, 2), 64);
    EXPECT_EQ(EffectiveMp3Kbps(144, 44100), 160);
    EXPECT_EQ(EffectiveMp3Kbps(320, 24000), 160);
    EXPECT_EQ(EffectiveMp3Kbps(999, 48000, 2), 320);
}
