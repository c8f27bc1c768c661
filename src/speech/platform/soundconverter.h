#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "speech/platform/result.h"
#include "speech/platform/waveformat.h"

namespace speech {

/// Converts the synthesiser's mono 16-bit sound to an output's rate and channel count with
/// libsoxr (stereo carries the voice on both channels). The sample width stays 16 bits; each
/// output narrows to its own.
class SoundConverter
{
public:
    SoundConverter();
    ~SoundConverter();
    SoundConverter(const SoundConverter&) = delete;
    SoundConverter& operator=(const SoundConverter&) = delete;

    /// Starts a new sound from `inputRate` into `output`'s rate and channels.
    HRESULT Reset(std::uint32_t inputRate, const WaveFormat& output);
    /// The converted samples, interleaved; valid until the next call.
    std::span<const std::int16_t> Convert(std::span<const std::int16_t> input);
    /// What the resampler still holds at the end of the sound.
    std::span<const std::int16_t> Flush();

private:
    std::span<const std::int16_t> Process(const std::int16_t* input, std::size_t frames);

    struct Resampler;
    std::unique_ptr<Resampler> m_resampler;  // null until something needs converting
    bool m_passThrough = true;               // the sound needs no converting
    std::uint32_t m_inputRate = 0;
    WaveFormat m_output;
    std::vector<std::int16_t> m_buffer;
};

} // namespace speech
