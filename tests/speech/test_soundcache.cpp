#include <vector>

#include <gtest/gtest.h>

#include "speech/platform/espeaksynthesiser.h"
#include "speech/platform/flitesynthesiser.h"
#include "speech/platform/soundcache.h"
#include "speechfakes.h"

using namespace speech;

namespace {

std::vector<std::int16_t> Said(Synthesiser& synthesiser, const SpeechStep& step)
{
    CollectedSound sound;
    EXPECT_EQ(synthesiser.Speak(step, sound), S_OK);
    return sound.samples;
}

} // namespace

TEST(SoundCache, KeepsShortPiecesWithinItsBudget)
{
    EXPECT_TRUE(SoundCache::Recurs({"flite/rms", QStringLiteral("b"), true, 0}));
    EXPECT_TRUE(SoundCache::Recurs({"cmn-latn-pinyin", QStringLiteral("单词:"), false, 0}));
    // The same label given as pinyin: a syllable is one character.
    EXPECT_TRUE(SoundCache::Recurs({"cmn-latn-pinyin", QStringLiteral("dan1 ci2:"), false, 0, 100, Script::Han}));
    EXPECT_FALSE(SoundCache::Recurs({"cmn-latn-pinyin", QStringLiteral("zhong1 hua2 ren2 min2 gong4"), false, 0, 100,
                                     Script::Han}));
    EXPECT_TRUE(SoundCache::Recurs({"flite/rms", QStringLiteral(";prep. "), false, 0}));
    EXPECT_FALSE(SoundCache::Recurs({"flite/rms", QStringLiteral("apple;"), false, 0}));
    EXPECT_FALSE(SoundCache::Recurs({"flite/rms", QStringLiteral(" ; "), false, 0}));

    SoundCache cache(100);  // bytes: 50 samples
    const SpeechStep a{"v", QStringLiteral("a"), false, 0};
    const SpeechStep spelledA{"v", QStringLiteral("a"), true, 0};
    const SpeechStep otherVoice{"w", QStringLiteral("a"), false, 0};
    cache.Keep(a, std::vector<std::int16_t>(20, 1));
    cache.Keep(spelledA, std::vector<std::int16_t>(20, 2));
    EXPECT_EQ(cache.Find(otherVoice), nullptr);
    ASSERT_NE(cache.Find(a), nullptr);  // now the most recently used
    EXPECT_EQ(cache.Find(spelledA)->front(), 2);
    EXPECT_EQ(cache.Find(a)->front(), 1);
    // A third piece pushes out the least recently used one.
    cache.Keep(otherVoice, std::vector<std::int16_t>(20, 3));
    EXPECT_EQ(cache.Find(spelledA), nullptr);
    EXPECT_NE(cache.Find(a), nullptr);
    cache.Keep({"v", QStringLiteral("b"), false, 0}, std::vector<std::int16_t>(60, 4));  // over budget
    const SoundCache::Counts counts = cache.GetCounts();
    EXPECT_EQ(counts.pieces, 2u);
    EXPECT_EQ(counts.bytes, 80u);
    EXPECT_EQ(counts.hits, 4u);
    EXPECT_EQ(counts.misses, 2u);

    // Pinned pieces stay; the budget they leave is shared by the rest.
    cache.Pin();
    cache.Keep(spelledA, std::vector<std::int16_t>(10, 5));
    cache.Keep({"v", QStringLiteral("c"), false, 0}, std::vector<std::int16_t>(10, 6));
    EXPECT_EQ(cache.Find(spelledA), nullptr);
    EXPECT_NE(cache.Find(a), nullptr);
    EXPECT_NE(cache.Find(otherVoice), nullptr);
    EXPECT_EQ(cache.GetCounts().pieces, 3u);
    cache.Clear();
    EXPECT_EQ(cache.Find(a), nullptr);
}

TEST(SoundCache, KeptSoundIsWhatTheSynthesiserSaid)
{
    std::shared_ptr<FliteSynthesiser> flite;
    ASSERT_EQ(FliteSynthesiser::Create(flite), S_OK);
    std::shared_ptr<EspeakSynthesiser> espeak;
    ASSERT_EQ(EspeakSynthesiser::Create(espeak), S_OK);
    FliteSynthesiser::ClearCache();
    EspeakSynthesiser::ClearCache();

    const SpeechStep tag{"flite/rms", QStringLiteral("adj. "), false, 0};
    const std::vector<std::int16_t> made = Said(*flite, tag);
    EXPECT_EQ(FliteSynthesiser::CacheCounts().misses, 1u);
    ASSERT_FALSE(made.empty());
    EXPECT_EQ(Said(*flite, tag), made);
    EXPECT_EQ(FliteSynthesiser::CacheCounts().hits, 1u);

    // A spelled word is its letters, each made once: "bee" asks for "e" twice.
    const std::vector<std::int16_t> word = Said(*flite, {"flite/rms", QStringLiteral("bee"), true, 0});
    std::vector<std::int16_t> letters = Said(*flite, {"flite/rms", QStringLiteral("b"), true, 0});
    const std::vector<std::int16_t> e = Said(*flite, {"flite/rms", QStringLiteral("e"), true, 0});
    letters.insert(letters.end(), e.begin(), e.end());
    letters.insert(letters.end(), e.begin(), e.end());
    EXPECT_EQ(word, letters);
    const SoundCache::Counts counts = FliteSynthesiser::CacheCounts();
    EXPECT_EQ(counts.misses, 3u);  // "adj. ", "b", "e"
    EXPECT_EQ(counts.hits, 4u);
    // A letter said alone still sounds like speech, not a clipped click.
    EXPECT_GT(e.size(), flite->SampleRate() / 10);

    const SpeechStep label{"cmn-latn-pinyin", QStringLiteral("单词:"), false, 0};
    const std::vector<std::int16_t> spoken = Said(*espeak, label);
    EXPECT_EQ(Said(*espeak, label), spoken);
    EXPECT_EQ(EspeakSynthesiser::CacheCounts().hits, 1u);
}
