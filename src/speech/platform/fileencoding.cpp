#include "speech/platform/fileencoding.h"

#include <algorithm>
#include <array>

namespace speech {
namespace {

constexpr std::array<std::uint32_t, 5> kOpusRates = {8000, 12000, 16000, 24000, 48000};

std::uint32_t NextOpusRate(std::uint32_t rate)
{
    for (const std::uint32_t accepted : kOpusRates) {
        if (accepted >= rate)
            return accepted;
    }
    return kOpusRates.back();
}

} // namespace

QString FileTypeExtension(OutputFileType type)
{
    switch (type) {
    case OutputFileType::Mp3:
        return QStringLiteral("mp3");
    case OutputFileType::Opus:
        return QStringLiteral("opus");
    case OutputFileType::Wav:
        break;
    }
    return QStringLiteral("wav");
}

std::optional<OutputFileType> FileTypeFromName(QStringView name)
{
    for (const OutputFileType type : {OutputFileType::Wav, OutputFileType::Mp3, OutputFileType::Opus}) {
        if (name.compare(FileTypeExtension(type), Qt::CaseInsensitive) == 0)
            return type;
    }
    return std::nullopt;
}

WaveFormat EncodedWaveFormat(const FileEncoding& encoding, const WaveFormat& chosen)
{
    switch (encoding.type) {
    case OutputFileType::Wav:
        return chosen;
    case OutputFileType::Mp3:
        return WaveFormat::Pcm(std::max(chosen.samplesPerSec, kMinMp3Rate), 16, chosen.channels);
    case OutputFileType::Opus:
        return WaveFormat::Pcm(NextOpusRate(chosen.samplesPerSec), 16, chosen.channels);
    }
    return chosen;
}

int EffectiveMp3Kbps(int kbps, std::uint32_t rate)
{
    // MPEG-1 layer III tops out at 320 kbps, MPEG-2 (16–24 kHz) at 160, MPEG-2.5 at 64.
    const int top = rate >= 32000 ? 320 : rate >= 16000 ? 160 : 64;
    return std::min(std::clamp(kbps, FileEncoding::kMinMp3Kbps, FileEncoding::kMaxMp3Kbps), top);
}

} // namespace speech
