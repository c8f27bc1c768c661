#include "speech/platform/waveformat.h"

namespace speech {

WaveFormat WaveFormat::Pcm(std::uint32_t samplesPerSec, std::uint16_t bitsPerSample,
                           std::uint16_t channels)
{
    WaveFormat format;
    format.formatTag = kPcmTag;
    format.channels = channels;
    format.samplesPerSec = samplesPerSec;
    format.bitsPerSample = bitsPerSample;
    format.blockAlign = static_cast<std::uint16_t>(channels * bitsPerSample / 8);
    format.avgBytesPerSec = format.blockAlign * samplesPerSec;
    format.extraSize = 0;
    return format;
}

bool WaveFormat::IsSupportedPcm() const
{
    return formatTag == kPcmTag && (channels == 1 || channels == 2)
        && (bitsPerSample == 8 || bitsPerSample == 16) && samplesPerSec >= 1000
        && samplesPerSec <= 192000 && blockAlign == channels * bitsPerSample / 8
        && avgBytesPerSec == blockAlign * samplesPerSec;
}

WaveFormat DefaultWaveFormat()
{
    return WaveFormat::Pcm(22050, 16, 1);
}

} // namespace speech
