#pragma once

#include <optional>

#include "speech/platform/result.h"
#include "speech/platform/waveformat.h"

namespace speech {

/// The format identifier and, for the PCM codes 4 to 39, the wave-format record of a code.
/// kNoAssignedFormat gives FormatId::Null and kTextFormat FormatId::Text, both without a
/// record; any other code E_INVALIDARG.
HRESULT StreamFormatToWaveFormat(int code, FormatId& id, std::optional<WaveFormat>& format);

/// The code of a stream format: kNoAssignedFormat, kTextFormat, a PCM code when the table
/// lists the record, else kExtendedAudioFormat.
int WaveFormatToStreamFormat(FormatId id, const WaveFormat& format);

} // namespace speech
