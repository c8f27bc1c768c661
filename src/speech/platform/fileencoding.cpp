#include "speech/platform/fileencoding.h"
#include "speech/platform/waveformat.h"

#include <algorithm>
#include <array>

#include <QFile>

#include <sndfile.h>

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
        return encoding.pcmFor ? EncodedWaveFormat(FileEncoding::Of(*encoding.pcmFor), chosen) : chosen;
    case OutputFileType::Mp3:
        return WaveFormat::Pcm(std::max(chosen.samplesPerSec, kMinMp3Rate), 16, chosen.channels);
    case OutputFileType::Opus:
        return WaveFormat::Pcm(NextOpusRate(chosen.samplesPerSec), 16, chosen.channels);
    }
    return chosen;
}

std::vector<int> Mp3BitRates(std::uint32_t rate, std::uint16_t channels)
{
    const bool mpeg1 = rate >= 32000;
    static constexpr std::array<int, 14> kMpeg1Kbps = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static constexpr std::array<int, 14> kMpeg2Kbps = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    const auto& table = mpeg1 ? kMpeg1Kbps : kMpeg2Kbps;
    const int top = mpeg1 ? 320 : rate >= 16000 ? 160 : 64;  // MPEG-2.5 below 16 kHz
    // LAME writes its Info tag only into a first frame that holds the frame header, the side
    // information and the tag's 156 bytes.
    const int sideInfo = 4 + (mpeg1 ? (channels == 2 ? 32 : 17) : (channels == 2 ? 17 : 9));
    const auto holdsTag = [&](int kbps) {
        return static_cast<long long>(mpeg1 ? 144000 : 72000) * kbps / std::max<std::uint32_t>(rate, 1)
            >= sideInfo + 156;
    };
    std::vector<int> rates;
    for (const int kbps : table) {
        if (kbps >= FileEncoding::kMinMp3Kbps && kbps <= std::min(top, FileEncoding::kMaxMp3Kbps) && holdsTag(kbps))
            rates.push_back(kbps);
    }
    return rates;
}

int NearestMp3Kbps(std::span<const int> rates, int kbps)
{
    if (rates.empty())
        return kbps;
    const auto atOrAbove = std::ranges::lower_bound(rates, kbps);
    return atOrAbove != rates.end() ? *atOrAbove : rates.back();
}

int EffectiveMp3Kbps(int kbps, std::uint32_t rate, std::uint16_t channels)
{
    return NearestMp3Kbps(Mp3BitRates(rate, channels), kbps);
}

} // namespace speech

namespace speech {

std::optional<double> SoundFileSeconds(const QString& path)
{
    SF_INFO info{};
    SNDFILE* sound = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!sound)
        return std::nullopt;
    sf_close(sound);
    if (info.samplerate <= 0 || info.frames <= 0)
        return std::nullopt;
    return double(info.frames) / info.samplerate;
}

} // namespace speech
