#pragma once

#include <cstdint>

namespace speech {

/// How a stream names its format: none, the platform's text stream, or a wave-format record.
enum class FormatId {
    Null,
    Text,
    WaveFormatEx,
};

/// A wave-format record laid out like the platform's 18-byte one. The program builds only PCM
/// records: 1 or 2 channels, 8 bits (unsigned) or 16 bits (signed) per sample.
struct WaveFormat
{
    static constexpr std::uint16_t kPcmTag = 1;

    std::uint16_t formatTag = kPcmTag;
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSec = 22050;
    std::uint32_t avgBytesPerSec = 44100;
    std::uint16_t blockAlign = 2;
    std::uint16_t bitsPerSample = 16;
    std::uint16_t extraSize = 0;

    /// A PCM record with block align and byte rate filled in from the three values.
    static WaveFormat Pcm(std::uint32_t samplesPerSec, std::uint16_t bitsPerSample,
                          std::uint16_t channels);

    /// True for a PCM record the platform can render and write: tag 1, 1 or 2 channels, 8 or 16
    /// bits, a rate from 1000 to 192000, and block align and byte rate that agree with them.
    bool IsSupportedPcm() const;

    bool operator==(const WaveFormat&) const = default;
};

/// The format of a sound output nobody has set one for: 22,050 Hz, 16 bits, mono, the
/// synthesiser's own rate.
WaveFormat DefaultWaveFormat();

} // namespace speech
