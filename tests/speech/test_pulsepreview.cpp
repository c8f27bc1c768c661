#include <gtest/gtest.h>

#include "pulsetestserver.h"
#include "speech/platform/audiooutput.h"
#include "speech/platform/voice.h"
#include "speech/speechengine.h"

using namespace speech;

// Preview as the window does it, through a real sound server: the sound must arrive there.
TEST(PreviewThroughSoundServer, SoundArrivesInEveryKindOfFormat)
{
    PulseTestServer server;
    if (!server.IsRunning())
        GTEST_SKIP() << "No PulseAudio daemon could be started, so preview through a sound "
                        "server is not tested here: "
                     << server.Error().toStdString();
    const EnvironmentGuard environment("PULSE_SERVER", server.Address().toUtf8());
    ASSERT_TRUE(server.StartRecording());

    SpeechEngine engine;
    ASSERT_TRUE(engine.Initialize(nullptr));
    for (const WaveFormat& format : {DefaultWaveFormat(), WaveFormat::Pcm(8000, 8, 2)}) {
        SCOPED_TRACE(testing::Message() << format.samplesPerSec << " Hz " << format.bitsPerSample << " bit");
        ASSERT_EQ(engine.GetAudioOutput()->SetFormat(FormatId::WaveFormatEx, format), S_OK);
        ASSERT_EQ(engine.GetVoice()->SetOutput(engine.GetAudioOutput(), false), S_OK);
        ASSERT_EQ(engine.SpeakText(QStringLiteral("hi;;好 ;"), Voice::kSpeakAsync), S_OK);
        EXPECT_TRUE(server.WaitForSound(2000, 10000));
        EXPECT_EQ(engine.GetVoice()->WaitUntilDone(Voice::kInfinite), S_OK);
        Voice::Status status;
        engine.GetVoice()->GetStatus(status);
        EXPECT_EQ(status.lastResult, S_OK);
    }
}
