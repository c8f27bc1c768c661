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

    /// How much of the synthesis runs in child processes forked from copies of this one
    /// (ForkedSynthesis). The library's wave generator carries its phase, flutter and echo from
    /// one call to the next; a child starts from the state its copy had when it was forked.
    enum class Isolation {
        None,    // everything in this process: the window's preview
        /// Everything in this process, but the pieces kept so far are kept for good and no new
        /// ones are kept (SoundCache::Freeze): every kept piece sounds the same in every file,
        /// and a text, a new short step included, a little different after other texts (a few
        /// milliseconds of length). No fork: full speed.
        Pieces,
        /// Also each text's steps in one voice (up to EndOfText) in one child of a copy per
        /// voice, so a text sounds the same, byte for byte, whatever was spoken before. Costs a
        /// fork per text and voice.
        Texts,
    };
    static void SetIsolation(Isolation isolation);

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
