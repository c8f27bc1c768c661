#include <memory>
#include <optional>

#include <gtest/gtest.h>

#include <sndfile.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "speech/audioformattable.h"
#include "speech/platform/streamformat.h"
#include "speech/platform/audiooutput.h"
#include "speech/platform/voice.h"
#include "speech/speechengine.h"
#include "speechfakes.h"

using namespace speech;

namespace {

// An output whose format is whatever the test says, or unreadable.
class FixedFormatOutput final : public OutputStream
{
public:
    explicit FixedFormatOutput(std::optional<WaveFormat> format)
        : m_format(format)
    {
    }
    HRESULT GetFormat(FormatId& id, WaveFormat& format) const override
    {
        if (!m_format)
            return E_FAIL;
        id = FormatId::WaveFormatEx;
        format = *m_format;
        return S_OK;
    }
    HRESULT BeginWriting() override { return S_OK; }
    HRESULT Write(std::span<const std::int16_t>) override { return S_OK; }
    HRESULT EndWriting() override { return S_OK; }
    void Discard() override {}

private:
    std::optional<WaveFormat> m_format;
};

void CloseSound(SNDFILE* sound)
{
    sf_close(sound);
}

} // namespace

TEST(AudioFormatTable, EveryEntryLabelCodeAndRecordAgree)
{
    // The label is what the user reads: its rate, width and channels must be the record's.
    const QRegularExpression label(QStringLiteral("^(\\d+)kHz (8|16) Bit (单声道|双声道)$"));
    ASSERT_EQ(AudioFormatTable.size(), 36u);
    for (std::size_t i = 0; i < AudioFormatTable.size(); ++i) {
        const AudioFormatEntry& entry = AudioFormatTable[i];
        SCOPED_TRACE(QString::fromUtf16(entry.label).toStdString());
        EXPECT_EQ(entry.code, static_cast<int>(4 + i));
        FormatId id = FormatId::Null;
        std::optional<WaveFormat> format;
        ASSERT_EQ(StreamFormatToWaveFormat(entry.code, id, format), S_OK);
        ASSERT_EQ(id, FormatId::WaveFormatEx);
        ASSERT_TRUE(format);
        EXPECT_TRUE(format->IsSupportedPcm());
        const QRegularExpressionMatch m = label.match(QString::fromUtf16(entry.label));
        ASSERT_TRUE(m.hasMatch());
        EXPECT_EQ(format->samplesPerSec / 1000, m.captured(1).toUInt());
        EXPECT_EQ(format->bitsPerSample, m.captured(2).toUInt());
        EXPECT_EQ(format->channels, m.captured(3) == u"双声道" ? 2 : 1);
        EXPECT_EQ(WaveFormatToStreamFormat(id, *format), entry.code);
        EXPECT_EQ(AudioFormatEntryOf(entry.code), static_cast<int>(i));
    }
    // Two records spelled out.
    FormatId id = FormatId::Null;
    std::optional<WaveFormat> format;
    StreamFormatToWaveFormat(7, id, format);
    EXPECT_EQ(*format, (WaveFormat{1, 2, 8000, 32000, 4, 16, 0}));
    StreamFormatToWaveFormat(32, id, format);
    EXPECT_EQ(*format, (WaveFormat{1, 1, 44100, 44100, 1, 8, 0}));
}

TEST(AudioFormatTable, CodesOutsideThePcmRange)
{
    FormatId id = FormatId::WaveFormatEx;
    std::optional<WaveFormat> format = WaveFormat();
    EXPECT_EQ(StreamFormatToWaveFormat(0, id, format), S_OK);
    EXPECT_EQ(id, FormatId::Null);
    EXPECT_FALSE(format);
    EXPECT_EQ(StreamFormatToWaveFormat(1, id, format), S_OK);
    EXPECT_EQ(id, FormatId::Text);
    EXPECT_FALSE(format);
    EXPECT_EQ(StreamFormatToWaveFormat(40, id, format), E_INVALIDARG);

    EXPECT_EQ(WaveFormatToStreamFormat(FormatId::Null, {}), kNoAssignedFormat);
    EXPECT_EQ(WaveFormatToStreamFormat(FormatId::Text, {}), kTextFormat);
    // Records the table lacks give a code outside it.
    WaveFormat compressed = WaveFormat::Pcm(22050, 16, 1);
    compressed.formatTag = 2;
    for (const WaveFormat& f : {WaveFormat::Pcm(96000, 16, 1), WaveFormat::Pcm(22050, 24, 1),
                                WaveFormat::Pcm(22050, 16, 6), compressed}) {
        const int code = WaveFormatToStreamFormat(FormatId::WaveFormatEx, f);
        EXPECT_TRUE(code < kFirstPcmFormat || code > kLastPcmFormat) << code;
        EXPECT_EQ(AudioFormatEntryOf(code), -1);
    }
}

TEST(OutputFormat, InitialSelectionFollowsTheVoicesOutput)
{
    auto platform = std::make_shared<TestPlatform>();
    SpeechEngine engine(platform);
    EXPECT_EQ(engine.GetOutputFormatIndex(), kUnreadableFormatEntry);  // no voice yet
    ASSERT_TRUE(engine.Initialize(nullptr));
    EXPECT_EQ(engine.GetOutputFormatIndex(), 18);  // 22,050 Hz 16-bit mono
    engine.GetVoice()->SetOutput(std::make_shared<FixedFormatOutput>(std::nullopt), false);
    EXPECT_EQ(engine.GetOutputFormatIndex(), kUnreadableFormatEntry);
    engine.GetVoice()->SetOutput(std::make_shared<FixedFormatOutput>(WaveFormat::Pcm(96000, 16, 1)), false);
    EXPECT_EQ(engine.GetOutputFormatIndex(), -1);
}

TEST(OutputFormat, APickReachesTheDeviceAndEveryLaterFile)
{
    auto platform = std::make_shared<TestPlatform>();
    SpeechEngine engine(platform);
    EXPECT_EQ(engine.SetOutputFormat(35), E_FAIL);  // nothing to set it on
    ASSERT_TRUE(engine.Initialize(nullptr));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString word = QStringLiteral("apple 苹果");
    const std::size_t nativeFrames = SynthesiseDirectly(*platform, word).size();
    const struct
    {
        int code;
        int rate;
        int channels;
        int subtype;
    } cases[] = {
        {4, 8000, 1, SF_FORMAT_PCM_U8},
        {35, 44100, 2, SF_FORMAT_PCM_16},
        {38, 48000, 1, SF_FORMAT_PCM_16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        ASSERT_EQ(engine.SetOutputFormat(c.code), S_OK);
        EXPECT_EQ(engine.GetOutputFormatIndex(), c.code - 4);
        ASSERT_EQ(engine.SpeakText(word, 0), S_OK);
        FormatId id = FormatId::Null;
        std::optional<WaveFormat> expected;
        StreamFormatToWaveFormat(c.code, id, expected);
        EXPECT_EQ(platform->recorder->Sessions().back().format, *expected);

        const QString path = dir.filePath(QStringLiteral("%1.wav").arg(c.code));
        ASSERT_EQ(engine.SpeakToFile(word, Voice::kSpeakAsync, path), S_OK);
        SF_INFO info{};
        const std::unique_ptr<SNDFILE, decltype(&CloseSound)> sound(
            sf_open(QFile::encodeName(path).constData(), SFM_READ, &info), &CloseSound);
        ASSERT_TRUE(sound);
        EXPECT_EQ(info.samplerate, c.rate);
        EXPECT_EQ(info.channels, c.channels);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | c.subtype);
        const double frames = nativeFrames * static_cast<double>(c.rate) / 22050;
        EXPECT_NEAR(static_cast<double>(info.frames), frames, frames * 0.05);
        std::vector<short> samples(static_cast<std::size_t>(info.frames * info.channels));
        ASSERT_EQ(sf_readf_short(sound.get(), samples.data(), info.frames), info.frames);
        for (std::size_t i = 0; c.channels == 2 && i < samples.size(); i += 2)
            ASSERT_EQ(samples[i], samples[i + 1]) << "frame " << i / 2;
    }
}
