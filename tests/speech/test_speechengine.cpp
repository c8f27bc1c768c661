#include <memory>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QTemporaryDir>

#include "speech/platform/audiooutput.h"
#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/soundsink.h"
#include "speech/platform/waveformat.h"
#include "speech/platform/voice.h"
#include "speech/speechengine.h"
#include "speechfakes.h"

using namespace speech;

namespace {

class EventCounter final : public QObject
{
public:
    std::vector<VoiceEventId> events;

    bool event(QEvent* e) override
    {
        if (e->type() != static_cast<QEvent::Type>(SpeechEngine::kNotifyMessage))
            return QObject::event(e);
        events.push_back(static_cast<VoiceEvent*>(e)->id());
        return true;
    }
};

// A text that takes the synthesiser long enough to be still running when a test purges it.
QString LongText()
{
    QString text;
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("The quick brown fox jumps over the lazy dog. ");
    return text;
}

} // namespace

TEST(SpeechEngineInitialize, EachFailingStepHasItsText)
{
    using F = TestPlatform::VoiceFault;
    struct Case
    {
        bool failStart;
        F fault;
        const char* text;
    };
    const Case cases[] = {
        {true, F::None, "Error intalization COM"},
        {false, F::NoVoice, "Error creating voice"},
        {false, F::Interest, "Error creating inerest..seriously"},
        {false, F::NotifyTarget, "Error seting notifiaction window"},
    };
    QObject target;
    for (const Case& c : cases) {
        auto platform = std::make_shared<TestPlatform>();
        platform->failStart = c.failStart;
        platform->voiceFault = c.fault;
        SpeechEngine engine(platform);
        EXPECT_FALSE(engine.Initialize(&target)) << c.text;
        EXPECT_EQ(engine.GetErrorText(), QString::fromUtf8(c.text));
        // A failed engine can still be called; it refuses to speak.
        EXPECT_EQ(engine.SpeakText(QStringLiteral("apple"), Voice::kSpeakAsync), SPERR_UNINITIALIZED);
        EXPECT_FALSE(engine.GetVoice());
        EXPECT_FALSE(platform->IsStarted());
    }
}

TEST(SpeechEngineInitialize, NullTargetSkipsNotificationsAndStartsAreBalanced)
{
    const int startsBefore = EspeakSynthesiser::StartCount();
    auto platform = std::make_shared<TestPlatform>();
    platform->voiceFault = TestPlatform::VoiceFault::NotifyTarget;
    {
        SpeechEngine engine(platform);
        ASSERT_TRUE(engine.Initialize(nullptr));
        EXPECT_TRUE(engine.GetErrorText().isEmpty());
        EXPECT_EQ(platform->notifyTargetCalls, 0);
        EXPECT_TRUE(engine.GetAudioOutput());
        EXPECT_EQ(EspeakSynthesiser::StartCount(), startsBefore + 1);
        engine.Shutdown();
        engine.Shutdown();
        EXPECT_FALSE(platform->IsStarted());
    }
    EXPECT_EQ(EspeakSynthesiser::StartCount(), startsBefore);
}

TEST(SpeechEngineVoice, UnknownVoicesAndAMissingVoiceFailWithTheirCodes)
{
    const auto codeOf = [](const Result<void>& result) { return result ? S_OK : result.error().Error(); };
    SpeechEngine idle(std::make_shared<TestPlatform>());
    EXPECT_EQ(codeOf(idle.SelectVoiceById(QString())), SPERR_UNINITIALIZED);
    EXPECT_EQ(codeOf(idle.SetSpeakingRates(100, 100)), SPERR_UNINITIALIZED);

    SpeechEngine engine(std::make_shared<TestPlatform>());
    ASSERT_TRUE(engine.Initialize(nullptr));
    const Result<void> unknown = engine.SelectVoiceById(QStringLiteral("no such voice"));
    ASSERT_FALSE(unknown);
    EXPECT_EQ(unknown.error().Error(), SPERR_NOT_FOUND);
    EXPECT_EQ(unknown.error().Subject(), QStringLiteral("no such voice"));
    EXPECT_TRUE(engine.SelectVoiceById(QString()));  // the default voice
}

TEST(SpeechEngineSpeakText, SecondTextCutsTheFirstShort)
{
    auto platform = std::make_shared<TestPlatform>();
    SpeechEngine engine(platform);
    ASSERT_TRUE(engine.Initialize(nullptr));
    // The first text's device stays full until the purge discards it.
    platform->recorder->HoldWritesIn(0);
    ASSERT_EQ(engine.SpeakText(LongText(), Voice::kSpeakAsync), S_OK);
    ASSERT_TRUE(platform->recorder->WaitForSound(0));
    const QString word = QStringLiteral("apple;;苹果 ;");
    ASSERT_EQ(engine.SpeakText(word, Voice::kSpeakAsync), S_OK);
    ASSERT_EQ(engine.GetVoice()->WaitUntilDone(Voice::kInfinite), S_OK);

    const std::vector<SoundRecorder::Session> sessions = platform->recorder->Sessions();
    ASSERT_EQ(sessions.size(), 2u);
    const qsizetype longBytes = static_cast<qsizetype>(
        SynthesiseDirectly(*platform, LongText()).size() * 2);
    EXPECT_TRUE(sessions[0].discarded);
    EXPECT_FALSE(sessions[0].drained);
    EXPECT_LT(sessions[0].bytes.size(), longBytes / 2);
    // The second text is heard whole, in the default format, at the synthesiser's rate.
    const std::vector<std::int16_t> expected = SynthesiseDirectly(*platform, word);
    EXPECT_TRUE(sessions[1].drained);
    EXPECT_FALSE(sessions[1].discarded);
    EXPECT_EQ(sessions[1].format, DefaultWaveFormat());
    // The synthesiser's length varies by a few milliseconds from call to call.
    EXPECT_NEAR(sessions[1].bytes.size() / 2.0, expected.size(), expected.size() * 0.05);
    Voice::Status status;
    engine.GetVoice()->GetStatus(status);
    EXPECT_EQ(status.lastStreamDone, status.lastStreamQueued);
    EXPECT_EQ(status.lastResult, S_OK);
}

TEST(SpeechEngineSpeakText, SoundDeviceRendersInTheFormatSet)
{
    auto platform = std::make_shared<TestPlatform>();
    SpeechEngine engine(platform);
    ASSERT_TRUE(engine.Initialize(nullptr));
    AudioOutput& audio = *engine.GetAudioOutput();
    const WaveFormat format = WaveFormat::Pcm(11025, 8, 2);
    ASSERT_EQ(audio.SetFormat(FormatId::WaveFormatEx, format), S_OK);
    // A record the device cannot play is refused and changes nothing.
    WaveFormat broken = WaveFormat::Pcm(16000, 16, 1);
    broken.blockAlign = 3;
    EXPECT_EQ(audio.SetFormat(FormatId::WaveFormatEx, broken), SPERR_UNSUPPORTED_FORMAT);
    EXPECT_EQ(audio.SetFormat(FormatId::WaveFormatEx, WaveFormat::Pcm(16000, 24, 1)), SPERR_UNSUPPORTED_FORMAT);
    ASSERT_EQ(engine.GetVoice()->SetOutput(engine.GetAudioOutput(), false), S_OK);

    ASSERT_EQ(engine.SpeakText(QStringLiteral("apple"), 0), S_OK);  // synchronous
    const std::vector<SoundRecorder::Session> sessions = platform->recorder->Sessions();
    ASSERT_EQ(sessions.size(), 1u);
    const QByteArray& bytes = sessions[0].bytes;
    EXPECT_EQ(sessions[0].format, format);
    EXPECT_TRUE(sessions[0].drained);
    const std::size_t frames22k = SynthesiseDirectly(*platform, QStringLiteral("apple")).size();
    EXPECT_NEAR(bytes.size() / 2.0, frames22k / 2.0, frames22k * 0.05);
    // Unsigned 8-bit: silence sits at 128; the voice is on both channels.
    double sum = 0;
    bool loud = false;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        ASSERT_EQ(bytes[i], bytes[i + 1]) << "frame " << i / 2;
        const int sample = static_cast<unsigned char>(bytes[i]);
        sum += sample;
        loud = loud || sample < 64 || sample > 192;
    }
    EXPECT_NEAR(sum / (bytes.size() / 2), 128.0, 2.0);
    EXPECT_TRUE(loud);
}

TEST(SpeechEngineSpeakText, PostsOnlyTheEventsOfInterest)
{
    auto platform = std::make_shared<TestPlatform>();
    EventCounter target;
    SpeechEngine engine(platform);
    ASSERT_TRUE(engine.Initialize(&target));
    ASSERT_EQ(engine.SpeakText(QStringLiteral("hello"), Voice::kSpeakAsync), S_OK);
    ASSERT_EQ(engine.GetVoice()->WaitUntilDone(Voice::kInfinite), S_OK);
    QCoreApplication::sendPostedEvents(&target);
    EXPECT_FALSE(target.events.empty());
    for (const VoiceEventId id : target.events)
        EXPECT_EQ(id, VoiceEventId::Viseme);
    // Interest masks must carry the check bits.
    EXPECT_EQ(engine.GetVoice()->SetInterest(1ULL << 8, 1ULL << 8), E_INVALIDARG);
}

// The default audio output exists even where no sound server answers: preview is silent and
// files keep working.
TEST(SpeechEngineWithoutSoundServer, SpeaksSilentlyAndStillWritesFiles)
{
    const QByteArray previous = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/lexovox-test/native");
    {
        SpeechEngine engine;
        ASSERT_TRUE(engine.Initialize(nullptr));
        ASSERT_TRUE(engine.GetAudioOutput());
        FormatId id = FormatId::Null;
        WaveFormat format;
        ASSERT_EQ(engine.GetAudioOutput()->GetFormat(id, format), S_OK);
        EXPECT_EQ(id, FormatId::WaveFormatEx);
        EXPECT_EQ(format, DefaultWaveFormat());
        EXPECT_EQ(engine.SpeakText(QStringLiteral("apple"), Voice::kSpeakAsync), S_OK);
        EXPECT_EQ(engine.GetVoice()->WaitUntilDone(Voice::kInfinite), S_OK);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("apple.wav"));
        EXPECT_EQ(engine.SpeakToFile(QStringLiteral("apple"), Voice::kSpeakAsync, path), S_OK);
        EXPECT_GT(QFileInfo(path).size(), 44);
    }
    if (previous.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", previous);
}

// Why no sound is heard is told in the table's words, with the sound server's own reason.
TEST(SpeechEngineWithoutSoundServer, TheSinkSaysWhyInTheTablesWords)
{
    const QByteArray previous = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/lexovox-test/native");
    const std::unique_ptr<SoundSink> sink = CreatePulseSink();
    const Result<void> opened = sink->Open(DefaultWaveFormat());
    if (previous.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", previous);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().Error(), ResultCode::SoundServerRefused);
    EXPECT_FALSE(opened.error().Subject().isEmpty());
    EXPECT_EQ(opened.error().ErrorMessage(), ComErrorText(ResultCode::SoundServerRefused, opened.error().Subject()));
}
