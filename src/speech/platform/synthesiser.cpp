#include "speech/platform/synthesiser.h"

namespace speech {

Synthesiser::~Synthesiser() = default;

std::uint32_t Synthesiser::SampleRateOf(const QByteArray&) const
{
    return SampleRate();
}

void Synthesiser::EndOfText()
{
}

std::vector<SynthesiserVoice> Synthesiser::Voices() const
{
    return {};
}

} // namespace speech
