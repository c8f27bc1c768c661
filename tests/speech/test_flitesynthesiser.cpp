#include <cstdlib>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "speech/platform/combinedsynthesiser.h"
#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/flitesynthesiser.h"
#include "speech/platform/speechplan.h"

using namespace speech;

namespace {

class Collect final : public SoundReceiver
{
public:
    bool Receive(std::span<const std::int16_t> s, std::span<const SynthesisEvent>) override
    {
        samples.insert(samples.end(), s.begin(), s.end());
        ++calls;
        return calls < stopAfter;
    }
    std::vector<std::int16_t> samples;
    int calls = 0;
    int stopAfter = 1 << 30;
};

std::shared_ptr<FliteSynthesiser> Flite()
{
    std::shared_ptr<FliteSynthesiser> flite;
    EXPECT_EQ(FliteSynthesiser::Create(flite), S_OK);
    return flite;
}

// Where the sound first rises above a whisper.
std::size_t FirstAbove(const std::vector<std::int16_t>& samples, int level)
{
    const auto it = std::find_if(samples.begin(), samples.end(), [level](std::int16_t s) { return std::abs(s) >= level; });
    return static_cast<std::size_t>(it - samples.begin());
}

} // namespace

TEST(FliteSynthesiser, SpelledLettersAreSaidByTheirNames)
{
    const std::shared_ptr<FliteSynthesiser> flite = Flite();
    const struct
    {
        bool spell;
        const char* text;
        const char* phones;
    } cases[] = {
        {false, "apple", "pau ae p ax l pau"},
        {true, "apple", "pau ey p iy p iy eh l iy pau"},
        {true, "a", "pau ey pau"},
    };
    for (const auto& c : cases) {
        QString phones;
        EXPECT_EQ(flite->Phones({"flite/rms", QString::fromLatin1(c.text), c.spell, 0}, phones), S_OK);
        EXPECT_EQ(phones, QString::fromLatin1(c.phones)) << c.text;
    }
    QString phones;
    EXPECT_EQ(flite->Phones({"en-us", QStringLiteral("apple"), false, 0}, phones), SPERR_NOT_FOUND);
}

TEST(FliteSynthesiser, PaddingIsCutAndAStopIsHeard)
{
    const std::shared_ptr<FliteSynthesiser> flite = Flite();
    for (const char* voice : {"flite/kal16", "flite/rms", "flite/slt", "flite/awb"}) {
        SCOPED_TRACE(voice);
        Collect sound;
        ASSERT_EQ(flite->Speak({voice, QStringLiteral("banana"), false, 0}, sound), S_OK);
        // Flite starts with about 0.2 s of padding; 10 ms of it is kept before the first sample
        // that is not silence (300 before the voice's gain, at least 0.7).
        EXPECT_LE(FirstAbove(sound.samples, 210), flite->SampleRate() * 10 / 1000);
        EXPECT_GT(sound.samples.size(), flite->SampleRate() / 4);
        const std::size_t whole = sound.samples.size();

        Collect stopped;
        stopped.stopAfter = 1;
        ASSERT_EQ(flite->Speak({voice, QStringLiteral("one two three four five six"), false, 0}, stopped), S_OK);
        EXPECT_EQ(stopped.calls, 1);
        EXPECT_LT(stopped.samples.size(), whole);
    }
}

TEST(FliteSynthesiser, AWordSoundsTheSameEveryTime)
{
    // The voices' noise comes from a random generator; a word (and so a file) must not change
    // with what was spoken before it.
    const std::shared_ptr<FliteSynthesiser> flite = Flite();
    Collect first;
    ASSERT_EQ(flite->Speak({"flite/rms", QStringLiteral("computer"), false, 0}, first), S_OK);
    Collect other;
    ASSERT_EQ(flite->Speak({"flite/awb", QStringLiteral("one two three"), false, 0}, other), S_OK);
    std::rand();
    Collect again;
    ASSERT_EQ(flite->Speak({"flite/rms", QStringLiteral("computer"), false, 0}, again), S_OK);
    EXPECT_EQ(again.samples, first.samples);
}

TEST(CombinedSynthesiser, OneUtteranceMixesVoicesAtOneRate)
{
    std::shared_ptr<EspeakSynthesiser> espeak;
    ASSERT_EQ(EspeakSynthesiser::Create(espeak), S_OK);
    const std::shared_ptr<FliteSynthesiser> flite = Flite();
    CombinedSynthesiser both({{espeak, nullptr}, {flite, &FliteSynthesiser::IsFliteVoice}});
    EXPECT_EQ(both.SampleRate(), espeak->SampleRate());
    EXPECT_EQ(&both.PartFor("flite/rms"), flite.get());
    EXPECT_EQ(&both.PartFor("cmn-latn-pinyin"), espeak.get());

    // Flite's 16 kHz sound arrives converted: as long in time at the combined rate.
    const SpeechStep english{"flite/rms", QStringLiteral("computer"), false, 0};
    Collect native;
    Collect converted;
    ASSERT_EQ(flite->Speak(english, native), S_OK);
    ASSERT_EQ(both.Speak(english, converted), S_OK);
    const double expected = native.samples.size() * static_cast<double>(both.SampleRate()) / flite->SampleRate();
    EXPECT_NEAR(static_cast<double>(converted.samples.size()), expected, expected * 0.01);

    // Every step of a bilingual plan speaks.
    for (const SpeechStep& step : PlanSpeech(QStringLiteral("apple 苹果"), {"cmn-latn-pinyin", "flite/rms"})) {
        Collect sound;
        EXPECT_EQ(both.Speak(step, sound), S_OK);
        EXPECT_LT(FirstAbove(sound.samples, 1000), sound.samples.size()) << step.voice.constData();
    }
}
