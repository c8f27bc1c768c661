#include <csignal>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/forkedsynthesis.h"

using namespace speech;

namespace {

class Collect final : public SoundReceiver
{
public:
    explicit Collect(std::size_t stopAfter = SIZE_MAX)
        : m_stopAfter(stopAfter)
    {
    }

    bool Receive(std::span<const std::int16_t> s, std::span<const SynthesisEvent> e) override
    {
        samples.insert(samples.end(), s.begin(), s.end());
        events.insert(events.end(), e.begin(), e.end());
        return ++pieces < m_stopAfter;
    }

    std::vector<std::int16_t> samples;
    std::vector<SynthesisEvent> events;
    std::size_t pieces = 0;

private:
    std::size_t m_stopAfter;
};

// Changed only by children: what they leave behind must not reach this process.
int g_spoken = 0;

HRESULT Count(SoundReceiver& receiver, std::string& text)
{
    ++g_spoken;
    const std::vector<std::int16_t> big(70000, std::int16_t(g_spoken));  // more than a pipe holds
    const std::int16_t start[] = {1, -2, 3};
    const SynthesisEvent events[] = {SynthesisEvent::Word, SynthesisEvent::Phoneme};
    receiver.Receive(start, events);
    receiver.Receive(big, {});
    text = "k'aUnt";
    return S_OK;
}

// Keeps this process's espeak-ng in isolation for one test.
struct Isolated
{
    Isolated() { EspeakSynthesiser::SetIsolated(true); }
    ~Isolated() { EspeakSynthesiser::SetIsolated(false); }
};

std::vector<std::int16_t> Said(Synthesiser& synthesiser, const SpeechStep& step)
{
    Collect sound;
    EXPECT_EQ(synthesiser.Speak(step, sound), S_OK);
    return sound.samples;
}

} // namespace

TEST(ForkedSynthesis, HandsOnSoundEventsAndTextWhileTheChildsStateStaysThere)
{
    for (int call = 0; call < 2; ++call) {
        Collect sound;
        std::string text;
        ASSERT_EQ(SynthesiseInChild(&Count, sound, &text), S_OK);
        ASSERT_EQ(sound.samples.size(), 70003u);
        EXPECT_EQ(sound.samples[1], -2);
        EXPECT_EQ(sound.samples.back(), 1) << "every child starts from this process's count";
        EXPECT_EQ(sound.events, (std::vector{SynthesisEvent::Word, SynthesisEvent::Phoneme}));
        EXPECT_EQ(text, "k'aUnt");
    }
    EXPECT_EQ(g_spoken, 0);

    Collect sound;
    EXPECT_EQ(SynthesiseInChild([](SoundReceiver&, std::string&) { return SPERR_NOT_FOUND; }, sound),
              SPERR_NOT_FOUND);
}

TEST(ForkedSynthesis, AChildThatDiesFailsAndAStoppedOneIsEnded)
{
    Collect sound;
    const auto dies = [](SoundReceiver& receiver, std::string&) {
        const std::int16_t some[] = {5, 5};
        receiver.Receive(some, {});
        ::raise(SIGKILL);
        return S_OK;
    };
    EXPECT_EQ(SynthesiseInChild(dies, sound), SPERR_TTS_ENGINE_EXCEPTION);
    EXPECT_EQ(sound.samples.size(), 2u);
    const auto leaves = [](SoundReceiver&, std::string&) -> HRESULT { ::_exit(0); };
    EXPECT_EQ(SynthesiseInChild(leaves, sound), SPERR_TTS_ENGINE_EXCEPTION) << "no word of its end";

    // A child that would speak for ever: the receiver's stop ends it, as with a synthesis here.
    Collect stopping(3);
    const auto endless = [](SoundReceiver& receiver, std::string&) {
        const std::int16_t piece[512] = {};
        while (receiver.Receive(piece, {}))
            ;
        return S_OK;
    };
    EXPECT_EQ(SynthesiseInChild(endless, stopping), S_OK);
    EXPECT_EQ(stopping.pieces, 3u);
}

TEST(EspeakIsolation, ATextSoundsTheSameWhateverWasSpokenBefore)
{
    std::shared_ptr<EspeakSynthesiser> espeak;
    ASSERT_EQ(EspeakSynthesiser::Create(espeak), S_OK);
    const SpeechStep bank{"cmn", QStringLiteral("银行在河的岸边"), false, 0};
    const SpeechStep english{"en-us", QStringLiteral("the river bank is green"), false, 0};
    QString plainPhonemes;
    ASSERT_EQ(espeak->Phonemes(bank, plainPhonemes), S_OK);

    const Isolated isolated;
    const std::vector<std::int16_t> alone = Said(*espeak, bank);
    ASSERT_GT(alone.size(), 1000u);
    Said(*espeak, english);
    Said(*espeak, {"cmn", QStringLiteral("苹果很好吃，梨也是"), false, 0});
    EXPECT_EQ(Said(*espeak, bank), alone) << "after other texts and a change of voice";
    Said(*espeak, {"cmn", QStringLiteral("银"), false, 0});  // a kept piece, chosen in a child
    EXPECT_EQ(Said(*espeak, bank), alone);

    QString phonemes;
    EXPECT_EQ(espeak->Phonemes(bank, phonemes), S_OK);
    EXPECT_EQ(phonemes, plainPhonemes);
    EXPECT_EQ(espeak->Phonemes({"no-such-voice", QStringLiteral("x"), false, 0}, phonemes), SPERR_NOT_FOUND);
}
