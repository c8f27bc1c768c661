#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QString>

#include "speech/platform/synthesiser.h"

namespace speech {

/// The sound of pieces that recur from word to word (letter names, the Chinese labels, part-of-
/// speech tags), kept at the synthesiser's own rate so each is synthesised once per voice. The
/// least recently used pieces go when the kept sound passes a byte budget. Thread-safe.
class SoundCache
{
public:
    using Sound = std::shared_ptr<const std::vector<std::int16_t>>;

    struct Counts
    {
        std::size_t hits = 0;
        std::size_t misses = 0;
        std::size_t pieces = 0;
        std::size_t bytes = 0;
    };

    explicit SoundCache(std::size_t byteBudget);

    /// Worth keeping: a step of a few letters or characters (a letter, "单词:", "adj. "); in a
    /// Han step given as pinyin a syllable counts as one ("dan1 ci2:").
    static bool Recurs(const SpeechStep& step);

    /// The kept sound of `step` (voice, text, spelling), or null; counts a hit or a miss.
    Sound Find(const SpeechStep& step);
    void Keep(const SpeechStep& step, std::vector<std::int16_t> samples);
    /// Keeps every piece kept now for good: the budget lets others go first, and only Clear
    /// forgets these. For pieces that could not be made again alike.
    void Pin();
    /// Pins every piece kept now and keeps no new ones: for a process whose kept pieces must
    /// sound the same in every file while a new one could not be made alike. False: new pieces
    /// are kept again (the pinned stay).
    void Freeze(bool frozen = true);
    Counts GetCounts() const;
    /// Forgets every piece and the counts.
    void Clear();

private:
    using Order = std::list<QString>;  // keys, most recently used first

    static QString KeyOf(const SpeechStep& step);

    const std::size_t m_byteBudget;
    mutable std::mutex m_mutex;
    Order m_order;
    std::unordered_map<QString, std::pair<Sound, Order::iterator>> m_entries;
    std::unordered_map<QString, Sound> m_pinned;
    bool m_frozen = false;
    Counts m_counts;
};

/// Speaks `step` into `receiver` from `cache` when kept there; otherwise has `synthesise` speak
/// it into a buffer, keeps that and hands it on. Steps that do not recur go straight to
/// `synthesise`. Cached sound comes as one piece with a word and a phoneme event.
template <class Synthesise>
HRESULT SpeakThroughCache(SoundCache& cache, const SpeechStep& step, SoundReceiver& receiver,
                          Synthesise&& synthesise);

/// Collects a step's sound for the cache.
class SoundBuffer final : public SoundReceiver
{
public:
    bool Receive(std::span<const std::int16_t> samples, std::span<const SynthesisEvent>) override;
    std::vector<std::int16_t> samples;
};

/// Hands kept sound to `receiver` as a synthesiser would; false when the receiver stopped.
bool Replay(const std::vector<std::int16_t>& samples, SoundReceiver& receiver);

template <class Synthesise>
HRESULT SpeakThroughCache(SoundCache& cache, const SpeechStep& step, SoundReceiver& receiver,
                          Synthesise&& synthesise)
{
    if (!SoundCache::Recurs(step))
        return synthesise(step, receiver);
    if (const SoundCache::Sound kept = cache.Find(step)) {
        Replay(*kept, receiver);
        return S_OK;
    }
    SoundBuffer buffer;
    if (const HRESULT hr = synthesise(step, buffer); Failed(hr))
        return hr;
    const std::vector<std::int16_t>& samples = buffer.samples;
    Replay(samples, receiver);
    cache.Keep(step, std::move(buffer.samples));
    return S_OK;
}

} // namespace speech
