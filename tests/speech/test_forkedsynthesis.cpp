#include <csignal>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/forkedsynthesis.h"
#include "speech/platform/soundcache.h"

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

// Changed by the still copy (`prepare`) and by children: none of it may reach this process.
int g_prepared = 0;
int g_spoken = 0;

HRESULT Prepare(const std::string& request)
{
    ++g_prepared;
    return request == "unknown" ? SPERR_NOT_FOUND : S_OK;
}

// "die", "end early" and "endless" misbehave; any other request is spoken as counts.
HRESULT Speak(const std::string& request, SoundReceiver& receiver, std::string& text)
{
    ++g_spoken;
    const std::int16_t start[] = {std::int16_t(g_prepared), std::int16_t(g_spoken), 3};
    const SynthesisEvent events[] = {SynthesisEvent::Word, SynthesisEvent::Phoneme};
    receiver.Receive(start, events);
    if (request == "die")
        ::raise(SIGKILL);
    if (request == "end early")
        ::_exit(0);
    if (request == "endless") {
        const std::int16_t piece[512] = {};
        while (receiver.Receive(piece, {}))
            ;
    }
    const std::vector<std::int16_t> big(70000, 7);  // more than a pipe holds
    receiver.Receive(big, {});
    text = "k'aUnt " + request;
    return S_OK;
}

// Keeps this process's espeak-ng in isolation for one test.
struct Isolated
{
    explicit Isolated(EspeakSynthesiser::Isolation isolation = EspeakSynthesiser::Isolation::Texts)
    {
        EspeakSynthesiser::SetIsolation(isolation);
    }
    ~Isolated() { EspeakSynthesiser::SetIsolation(EspeakSynthesiser::Isolation::None); }
};

// One step as a whole text.
std::vector<std::int16_t> Said(Synthesiser& synthesiser, const SpeechStep& step)
{
    Collect sound;
    EXPECT_EQ(synthesiser.Speak(step, sound), S_OK);
    synthesiser.EndOfText();
    return sound.samples;
}

} // namespace

TEST(ForkedSynthesis, EveryChildStartsFromTheCopyAndHandsBackSoundEventsAndText)
{
    ForkedSynthesis forked(&Prepare, &Speak);
    for (int call = 1; call <= 2; ++call) {
        Collect sound;
        std::string text;
        ASSERT_EQ(forked.Run("apple", sound, &text), S_OK);
        ASSERT_EQ(sound.samples.size(), 70003u);
        EXPECT_EQ(sound.samples[0], call) << "what prepare does stays in the copy";
        EXPECT_EQ(sound.samples[1], 1) << "what a child does goes with it";
        EXPECT_EQ(sound.samples.back(), 7);
        EXPECT_EQ(sound.events, (std::vector{SynthesisEvent::Word, SynthesisEvent::Phoneme}));
        EXPECT_EQ(text, "k'aUnt apple");
    }
    EXPECT_EQ(g_prepared + g_spoken, 0);
    Collect sound;
    EXPECT_EQ(forked.Run("unknown", sound), SPERR_NOT_FOUND);
    EXPECT_TRUE(sound.samples.empty());
}

TEST(ForkedSynthesis, OneChildTakesATextsRequestsUntilItsEnd)
{
    ForkedSynthesis forked(&Prepare, &Speak, ForkedSynthesis::Children::PerText);
    const auto spoken = [&forked](const std::string& request) {
        Collect sound;
        EXPECT_EQ(forked.Run(request, sound), S_OK);
        return sound.samples.size() == 70003u ? std::pair<int, int>(sound.samples[0], sound.samples[1]) : std::pair(-1, -1);
    };
    for (int text = 1; text <= 2; ++text) {
        // (prepared, spoken): the first request is prepared in the copy, the next in the child.
        EXPECT_EQ(spoken("apple"), std::pair(text, 1));
        EXPECT_EQ(spoken("pear"), std::pair(text + 1, 2));
        Collect sound;
        EXPECT_EQ(forked.Run("unknown", sound), SPERR_NOT_FOUND);
        EXPECT_EQ(spoken("plum"), std::pair(text + 3, 3)) << "a failed request ends no text";
        forked.EndText();
    }
    Collect stopping(3);
    EXPECT_EQ(forked.Run("endless", stopping), S_OK);
    EXPECT_EQ(spoken("apple"), std::pair(4, 1)) << "the stop ended the text's child";
    forked.EndText();
    forked.EndText();
    EXPECT_EQ(spoken("apple"), std::pair(5, 1));
}

TEST(ForkedSynthesis, FailuresAndStopsLeaveTheNextRunWhole)
{
    ForkedSynthesis forked(&Prepare, &Speak);
    const auto next = [&forked] {
        Collect sound;
        std::string text;
        EXPECT_EQ(forked.Run("pear", sound, &text), S_OK);
        EXPECT_EQ(sound.samples.size(), 70003u);
        EXPECT_EQ(text, "k'aUnt pear");
    };
    Collect sound;
    EXPECT_EQ(forked.Run("die", sound), SPERR_TTS_ENGINE_EXCEPTION);
    EXPECT_EQ(sound.samples.size(), 3u);
    next();
    EXPECT_EQ(forked.Run("end early", sound), SPERR_TTS_ENGINE_EXCEPTION) << "no word of its end";
    next();

    // A child that would speak for ever: the receiver's stop ends it, as with a synthesis here.
    Collect stopping(3);
    EXPECT_EQ(forked.Run("endless", stopping), S_OK);
    EXPECT_EQ(stopping.pieces, 3u);
    next();

    // The copy itself gone: that run fails, the next has a new copy.
    const pid_t copy = forked.CopyProcess();
    ASSERT_GT(copy, 0);
    ::kill(copy, SIGKILL);
    EXPECT_EQ(forked.Run("pear", sound), SPERR_TTS_ENGINE_EXCEPTION);
    next();
    EXPECT_NE(forked.CopyProcess(), copy);
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

TEST(EspeakIsolation, WithPiecesAloneKeptPiecesStayAsTheyWereAndTextsStayClose)
{
    std::shared_ptr<EspeakSynthesiser> espeak;
    ASSERT_EQ(EspeakSynthesiser::Create(espeak), S_OK);
    const SpeechStep piece{"cmn", QStringLiteral("拼读"), false, 0};
    const SpeechStep text{"en-us", QStringLiteral("the river bank is green and wide today"), false, 0};
    ASSERT_TRUE(SoundCache::Recurs(piece));
    ASSERT_FALSE(SoundCache::Recurs(text));

    EspeakSynthesiser::ClearCache();
    const std::vector<std::int16_t> kept = Said(*espeak, piece);  // as a worker's warm-up keeps it
    ASSERT_GT(kept.size(), 1000u);
    const Isolated isolated(EspeakSynthesiser::Isolation::Pieces);
    const std::vector<std::int16_t> textFirst = Said(*espeak, text);
    Said(*espeak, {"cmn", QStringLiteral("苹果很好吃，梨也是"), false, 0});
    EXPECT_EQ(Said(*espeak, piece), kept) << "after other texts";
    // A new short step is spoken like any text and not kept: kept, it would sound one way in
    // some files and another in others.
    const std::size_t pieces = EspeakSynthesiser::CacheCounts().pieces;
    Said(*espeak, {"cmn", QStringLiteral("银行"), false, 0});
    EXPECT_EQ(EspeakSynthesiser::CacheCounts().pieces, pieces);
    // A text spoken here carries the state of those before it: its length, not its bytes, holds.
    const std::size_t later = Said(*espeak, text).size();
    EXPECT_LE(later > textFirst.size() ? later - textFirst.size() : textFirst.size() - later, 22050u / 10);
}
