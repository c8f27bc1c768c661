#include "speech/platform/combinedsynthesiser.h"

namespace speech {

CombinedSynthesiser::CombinedSynthesiser(std::vector<Part> parts)
    : m_parts(std::move(parts))
{
}

CombinedSynthesiser::~CombinedSynthesiser() = default;

std::uint32_t CombinedSynthesiser::SampleRate() const
{
    return m_parts.front().synthesiser->SampleRate();
}

Synthesiser& CombinedSynthesiser::PartFor(const QByteArray& voice) const
{
    for (std::size_t i = 1; i < m_parts.size(); ++i) {
        if (m_parts[i].speaks && m_parts[i].speaks(voice))
            return *m_parts[i].synthesiser;
    }
    return *m_parts.front().synthesiser;
}

std::uint32_t CombinedSynthesiser::SampleRateOf(const QByteArray& voice) const
{
    return PartFor(voice).SampleRateOf(voice);
}

HRESULT CombinedSynthesiser::Speak(const SpeechStep& step, SoundReceiver& receiver)
{
    return PartFor(step.voice).Speak(step, receiver);
}

void CombinedSynthesiser::EndOfText()
{
    for (const Part& part : m_parts)
        part.synthesiser->EndOfText();
}

std::vector<SynthesiserVoice> CombinedSynthesiser::Voices() const
{
    std::vector<SynthesiserVoice> voices;
    for (const Part& part : m_parts) {
        const std::vector<SynthesiserVoice> own = part.synthesiser->Voices();
        voices.insert(voices.end(), own.begin(), own.end());
    }
    return voices;
}

} // namespace speech
