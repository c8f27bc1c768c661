#include "speech/audioformattable.h"

#include <algorithm>

#include "speech/platform/fileencoding.h"
#include "speech/platform/streamformat.h"

namespace speech {
namespace {

constexpr std::uint32_t kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

} // namespace

HRESULT StreamFormatToWaveFormat(int code, FormatId& id, std::optional<WaveFormat>& format)
{
    id = FormatId::Null;
    format.reset();
    if (code == kNoAssignedFormat)
        return S_OK;
    if (code == kTextFormat) {
        id = FormatId::Text;
        return S_OK;
    }
    if (code < kFirstPcmFormat || code > kLastPcmFormat)
        return E_INVALIDARG;
    const int k = code - kFirstPcmFormat;
    const std::uint16_t channels = (k & 1) ? 2 : 1;
    const std::uint16_t bits = (k & 2) ? 16 : 8;
    format = WaveFormat::Pcm(kRates[k / 4], bits, channels);
    id = FormatId::WaveFormatEx;
    return S_OK;
}

int WaveFormatToStreamFormat(FormatId id, const WaveFormat& format)
{
    switch (id) {
    case FormatId::Null:
        return kNoAssignedFormat;
    case FormatId::Text:
        return kTextFormat;
    case FormatId::WaveFormatEx:
        break;
    }
    const auto* rate = std::find(std::begin(kRates), std::end(kRates), format.samplesPerSec);
    if (format.formatTag != WaveFormat::kPcmTag || (format.channels != 1 && format.channels != 2)
        || (format.bitsPerSample != 8 && format.bitsPerSample != 16) || rate == std::end(kRates))
        return kExtendedAudioFormat;
    return kFirstPcmFormat + 4 * static_cast<int>(rate - std::begin(kRates))
        + (format.bitsPerSample == 16 ? 2 : 0) + (format.channels == 2 ? 1 : 0);
}

int AudioFormatEntryOf(int code)
{
    const auto* it = std::find_if(AudioFormatTable.begin(), AudioFormatTable.end(),
                                  [code](const AudioFormatEntry& e) { return e.code == code; });
    return it == AudioFormatTable.end() ? -1 : static_cast<int>(it - AudioFormatTable.begin());
}

std::vector<int> Mp3BitRatesOfFormat(int code)
{
    FormatId id = FormatId::Null;
    std::optional<WaveFormat> chosen;
    if (AudioFormatEntryOf(code) < 0 || Failed(StreamFormatToWaveFormat(code, id, chosen)) || !chosen)
        return {};
    const WaveFormat encoded = EncodedWaveFormat(FileEncoding::Of(OutputFileType::Mp3), *chosen);
    return Mp3BitRates(encoded.samplesPerSec, encoded.channels);
}

} // namespace speech
