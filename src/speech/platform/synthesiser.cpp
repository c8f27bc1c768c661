#include "speech/platform/synthesiser.h"

namespace speech {

Synthesiser::~Synthesiser() = default;

std::vector<SynthesiserVoice> Synthesiser::Voices() const
{
    return {};
}

} // namespace speech
