#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "speech/platform/soundconverter.h"
#include "speech/platform/synthesiser.h"

namespace speech {

/// Several synthesisers as one, so that one utterance can mix their voices (Mandarin from
/// espeak-ng, English from Flite). The first synthesiser sets the rate; the others' sound is
/// converted to it, so the pieces of an utterance join at one rate.
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

    std::uint32_t SampleRate() const override;
    HRESULT Speak(const SpeechStep& step, SoundReceiver& receiver) override;
    /// Every part's voices, the first part's first.
    std::vector<SynthesiserVoice> Voices() const override;

    /// The part that speaks `voice`.
    Synthesiser& PartFor(const QByteArray& voice) const;

private:
    std::vector<Part> m_parts;
    std::mutex m_converterMutex;
    SoundConverter m_converter;
};

} // namespace speech
