#pragma once

#include <memory>
#include <vector>

#include "speech/platform/synthesiser.h"

namespace speech {

/// Several synthesisers as one, so that one utterance can mix their voices (Mandarin from
/// espeak-ng, English from Flite). Each step's sound comes at its own synthesiser's rate
/// (SampleRateOf): the voice converts it once, straight to the output's rate.
class CombinedSynthesiser final : public Synthesiser
{
public:
    struct Part
    {
        std::shared_ptr<Synthesiser> synthesiser;
        /// Whether this part speaks a SpeechStep::voice; the first part takes every voice no
        /// later part claims.
        bool (*speaks)(const QByteArray& voice) = nullptr;
    };

    /// `parts` holds at least the first one.
    explicit CombinedSynthesiser(std::vector<Part> parts);
    ~CombinedSynthesiser() override;

    /// The first part's rate.
    std::uint32_t SampleRate() const override;
    std::uint32_t SampleRateOf(const QByteArray& voice) const override;
    HRESULT Speak(const SpeechStep& step, SoundReceiver& receiver) override;
    void EndOfText() override;
    /// Every part's voices, the first part's first.
    std::vector<SynthesiserVoice> Voices() const override;

    /// The part that speaks `voice`.
    Synthesiser& PartFor(const QByteArray& voice) const;

private:
    std::vector<Part> m_parts;
};

} // namespace speech
