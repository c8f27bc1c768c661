#pragma once

#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>

#include "speech/platform/soundcache.h"
#include "speech/platform/synthesiser.h"

namespace speech {

/// Synthesis by libespeak-ng. The library holds one state per process, so every instance shares
/// it: calls are serialised, and the first instance starts the library. Plain steps are read as
/// text; spelled steps as SSML characters, which say "a" as the letter's name. Short recurring
/// steps are synthesised once and reused (SoundCache); spelled words stay one call, which costs
/// espeak-ng little.
class EspeakSynthesiser final : public Synthesiser
{
public:
    /// Counts one start of the library (starting it the first time). Fails when espeak-ng or its
    /// data cannot be loaded.
    static HRESULT Create(std::shared_ptr<EspeakSynthesiser>& synthesiser);
    ~EspeakSynthesiser() override;

    std::uint32_t SampleRate() const override { return m_sampleRate; }
    HRESULT Speak(const SpeechStep& step, SoundReceiver& receiver) override;
    void EndOfText() override;

    /// What espeak-ng says for `step`, in its phoneme notation ("ph'i35N_| k'uo214_|"), one
    /// clause a line: the phonemes of a real synthesis of the step, spelled steps included.
    HRESULT Phonemes(const SpeechStep& step, QString& phonemes);

    /// The library's own voices; MBROLA ones only where their data is installed (Debian ships it
    /// apart, as mbrola-*).
    std::vector<SynthesiserVoice> Voices() const override;

    /// On: synthesis runs in child processes forked from copies of this one (ForkedSynthesis, a
    /// copy per voice), so the library's wave generator, which carries its phase, flutter and
    /// echo from one call to the next, starts from the state it has when this is turned on: a
    /// text's steps in one voice (up to EndOfText) in one child, each piece for the cache in one
    /// of its own, so a text sounds the same whatever was spoken before. Kept pieces stay in this
    /// process's cache; those kept before this are kept for good (SoundCache::Pin), as no child
    /// could make them alike. Costs a fork per text and voice and per new piece: for batch
    /// workers, not for the window's preview.
    static void SetIsolated(bool isolated);

    /// How many starts are counted now (for tests of the start count).
    static int StartCount();

    /// The process's kept pieces (see SoundCache), shared by every instance.
    static SoundCache::Counts CacheCounts();
    static void ClearCache();

private:
    explicit EspeakSynthesiser(std::uint32_t sampleRate);

    std::uint32_t m_sampleRate;
};

} // namespace speech
