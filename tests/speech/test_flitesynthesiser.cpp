#include <cstdlib>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "speech/composeutterance.h"
#include "speech/platform/combinedsynthesiser.h"
#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/flitesynthesiser.h"
#include "speech/platform/objecttoken.h"
#include "speech/platform/outputstream.h"
#include "speech/platform/platform.h"
#include "speech/platform/speechplan.h"
#include "speech/platform/voice.h"

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

// Keeps what a voice renders, in the format it was made with.
class Recording final : public OutputStream
{
public:
    explicit Recording(WaveFormat format)
        : m_format(format)
    {
    }
    HRESULT GetFormat(FormatId& id, WaveFormat& format) const override
    {
        id = FormatId::WaveFormatEx;
        format = m_format;
        return S_OK;
    }
    HRESULT BeginWriting() override
    {
        samples.clear();
        return S_OK;
    }
    HRESULT Write(std::span<const std::int16_t> s) override
    {
        samples.insert(samples.end(), s.begin(), s.end());
        return S_OK;
    }
    HRESULT EndWriting() override { return S_OK; }
    void Discard() override {}

    std::vector<std::int16_t> samples;

private:
    WaveFormat m_format;
};

// A new voice of the real platform in the bilingual voice `token`, speaking into `output`.
std::unique_ptr<Voice> NewVoice(Platform& platform, const QString& token, std::shared_ptr<Recording> output)
{
    VoiceParts parts;
    EXPECT_EQ(platform.GetVoiceParts(parts), S_OK);
    parts.defaultOutput = std::move(output);
    auto voice = std::make_unique<Voice>(parts);
    TokenPtr chosen;
    EXPECT_EQ(platform.CreateToken(kVoicesCategoryId.toString() + QStringLiteral("\\Tokens\\") + token, chosen), S_OK);
    EXPECT_EQ(voice->SetVoice(chosen), S_OK);
    return voice;
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

TEST(SameWordSameSamples, AWordDoesNotDependOnTheWordsBeforeIt)
{
    // A file must not change with what the process spoke before it: neither Flite, nor the
    // converters, nor the kept pieces may carry anything from one word into the next. Only the
    // English voice's words and the labels go in: espeak-ng keeps its pitch flutter running
    // from call to call (see below), so a Chinese meaning is left out.
    auto platform = std::make_shared<Platform>();
    ASSERT_EQ(platform->Start(), S_OK);
    const QString bank = ComposeUtterance(QStringLiteral("bank"), QString(), {true, false, true});
    const QString others[] = {
        ComposeUtterance(QStringLiteral("ability"), QStringLiteral("n. 能力"), {true, true, true}),
        ComposeUtterance(QStringLiteral("look at"), QStringLiteral("看"), {true, true, true}),
        QStringLiteral("one two three"),
    };
    for (const WaveFormat& format : {WaveFormat::Pcm(16000, 16, 1), WaveFormat::Pcm(44100, 16, 2)}) {
        for (const QString& token : {QStringLiteral("LexovoxBilingualFliteRms"), QStringLiteral("LexovoxBilingualUS")}) {
            SCOPED_TRACE(testing::Message() << token.toStdString() << " at " << format.samplesPerSec);
            auto alone = std::make_shared<Recording>(format);
            ASSERT_EQ(NewVoice(*platform, token, alone)->Speak(bank, 0), S_OK);
            auto later = std::make_shared<Recording>(format);
            const std::unique_ptr<Voice> voice = NewVoice(*platform, token, later);
            for (const QString& other : others)
                ASSERT_EQ(voice->Speak(other, 0), S_OK);
            ASSERT_EQ(voice->Speak(bank, 0), S_OK);
            EXPECT_GT(alone->samples.size(), format.samplesPerSec);
            EXPECT_EQ(later->samples, alone->samples);
        }
    }
    platform->Stop();
}

TEST(SameWordSameSamples, EspeakCarriesOnlyItsPitchFlutterFromCallToCall)
{
    // espeak-ng 1.51 advances a table index for its pitch flutter every 64 samples of voiced
    // sound and never resets it (no call does, not even a new voice): the same text spoken again
    // starts alike and then drifts by a few samples. Anything larger would be a new kind of
    // carried state.
    std::shared_ptr<EspeakSynthesiser> espeak;
    ASSERT_EQ(EspeakSynthesiser::Create(espeak), S_OK);
    const SpeechStep meaning{"cmn-latn-pinyin", QStringLiteral("银行，堤，岸 ;"), false, 0};
    Collect first;
    ASSERT_EQ(espeak->Speak(meaning, first), S_OK);
    Collect others;
    for (const SpeechStep& other : PlanSpeech(QStringLiteral("computer;c　o　m　;计算机 ;"), {"cmn-latn-pinyin", "en-us"}))
        ASSERT_EQ(espeak->Speak(other, others), S_OK);
    Collect again;
    ASSERT_EQ(espeak->Speak(meaning, again), S_OK);
    ASSERT_GT(first.samples.size(), 64u);
    EXPECT_TRUE(std::equal(first.samples.begin(), first.samples.begin() + 64, again.samples.begin()));
    EXPECT_NEAR(static_cast<double>(again.samples.size()), static_cast<double>(first.samples.size()),
                espeak->SampleRate() * 0.002);  // 2 ms
}

TEST(CombinedSynthesiser, EachStepComesAtItsOwnSynthesisersRate)
{
    std::shared_ptr<EspeakSynthesiser> espeak;
    ASSERT_EQ(EspeakSynthesiser::Create(espeak), S_OK);
    const std::shared_ptr<FliteSynthesiser> flite = Flite();
    CombinedSynthesiser both({{espeak, nullptr}, {flite, &FliteSynthesiser::IsFliteVoice}});
    EXPECT_EQ(both.SampleRate(), espeak->SampleRate());
    EXPECT_EQ(&both.PartFor("flite/rms"), flite.get());
    EXPECT_EQ(&both.PartFor("cmn-latn-pinyin"), espeak.get());
    EXPECT_EQ(both.SampleRateOf("flite/rms"), flite->SampleRate());
    EXPECT_EQ(both.SampleRateOf("cmn-latn-pinyin"), espeak->SampleRate());

    // Flite's sound goes through unconverted: the voice converts it once, to the output's rate.
    const SpeechStep english{"flite/rms", QStringLiteral("computer"), false, 0};
    Collect native;
    Collect combined;
    ASSERT_EQ(flite->Speak(english, native), S_OK);
    ASSERT_EQ(both.Speak(english, combined), S_OK);
    EXPECT_EQ(combined.samples, native.samples);

    // Every step of a bilingual plan speaks.
    for (const SpeechStep& step : PlanSpeech(QStringLiteral("apple 苹果"), {"cmn-latn-pinyin", "flite/rms"})) {
        Collect sound;
        EXPECT_EQ(both.Speak(step, sound), S_OK);
        EXPECT_LT(FirstAbove(sound.samples, 1000), sound.samples.size()) << step.voice.constData();
    }
}
