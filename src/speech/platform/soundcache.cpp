#include "speech/platform/soundcache.h"

#include <QChar>

namespace speech {
namespace {

// Longer texts are headwords and meanings, which rarely come twice.
constexpr int kMostRecurringCharacters = 4;

} // namespace

SoundCache::SoundCache(std::size_t byteBudget)
    : m_byteBudget(byteBudget)
{
}

bool SoundCache::Recurs(const SpeechStep& step)
{
    // Chinese given as pinyin counts a syllable ("dan1 ci2:", the label 单词:) as one character.
    const bool syllables = step.script == Script::Han;
    int characters = 0;
    bool inSyllable = false;
    for (const char32_t c : step.text.toUcs4()) {
        const bool counts = QChar::isLetterOrNumber(c);
        const bool pinyin = syllables && c < 0x80 && counts;
        if (counts && !(pinyin && inSyllable) && ++characters > kMostRecurringCharacters)
            return false;
        // A tone number ends its syllable.
        inSyllable = pinyin && !(c >= U'0' && c <= U'9');
    }
    return characters > 0;
}

QString SoundCache::KeyOf(const SpeechStep& step)
{
    // The voice name holds no newline; the spelling flag and the rate lead, so no text can fake
    // another key.
    return (step.spell ? QStringLiteral("S") : QStringLiteral("W")) + QString::number(step.ratePercent) + u' '
        + QString::fromUtf8(step.voice) + u'\n' + step.text;
}

SoundCache::Sound SoundCache::Find(const SpeechStep& step)
{
    std::lock_guard lock(m_mutex);
    const QString key = KeyOf(step);
    if (const auto pinned = m_pinned.find(key); pinned != m_pinned.end()) {
        ++m_counts.hits;
        return pinned->second;
    }
    const auto it = m_entries.find(key);
    if (it == m_entries.end()) {
        ++m_counts.misses;
        return nullptr;
    }
    ++m_counts.hits;
    m_order.splice(m_order.begin(), m_order, it->second.second);
    return it->second.first;
}

void SoundCache::Keep(const SpeechStep& step, std::vector<std::int16_t> samples)
{
    const std::size_t bytes = samples.size() * sizeof(std::int16_t);
    if (bytes > m_byteBudget)
        return;
    QString key = KeyOf(step);
    std::lock_guard lock(m_mutex);
    if (m_frozen || m_entries.contains(key) || m_pinned.contains(key))
        return;  // frozen, or another thread kept it first
    while (m_counts.bytes + bytes > m_byteBudget && !m_order.empty()) {
        const auto oldest = m_entries.find(m_order.back());
        m_counts.bytes -= oldest->second.first->size() * sizeof(std::int16_t);
        m_entries.erase(oldest);
        m_order.pop_back();
    }
    m_order.push_front(key);
    m_entries.emplace(std::move(key),
                      std::make_pair(std::make_shared<const std::vector<std::int16_t>>(std::move(samples)),
                                     m_order.begin()));
    m_counts.bytes += bytes;
    m_counts.pieces = m_entries.size() + m_pinned.size();
}

void SoundCache::Pin()
{
    std::lock_guard lock(m_mutex);
    for (auto& [key, entry] : m_entries)
        m_pinned.emplace(key, std::move(entry.first));
    m_entries.clear();
    m_order.clear();
}

void SoundCache::Freeze(bool frozen)
{
    if (frozen)
        Pin();
    std::lock_guard lock(m_mutex);
    m_frozen = frozen;
}

SoundCache::Counts SoundCache::GetCounts() const
{
    std::lock_guard lock(m_mutex);
    Counts counts = m_counts;
    counts.pieces = m_entries.size() + m_pinned.size();
    return counts;
}

void SoundCache::Clear()
{
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_pinned.clear();
    m_order.clear();
    m_frozen = false;
    m_counts = {};
}

bool SoundBuffer::Receive(std::span<const std::int16_t> samples, std::span<const SynthesisEvent>)
{
    this->samples.insert(this->samples.end(), samples.begin(), samples.end());
    return true;
}

bool Replay(const std::vector<std::int16_t>& samples, SoundReceiver& receiver)
{
    static constexpr SynthesisEvent kStart[] = {SynthesisEvent::Word, SynthesisEvent::Phoneme};
    return receiver.Receive(samples, kStart);
}

} // namespace speech
