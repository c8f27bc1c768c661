#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "speech/platform/synthesiser.h"

namespace speech {

/// Where a part of a file's sound begins, and what it says (Neutral: a pause).
struct SoundPart
{
    std::size_t firstFrame = 0;
    Script script = Script::Neutral;
};

/// What LevelLoudness found and made.
struct LoudnessLevels
{
    double before = 0;      // integrated loudness of the sound as given, LUFS (-HUGE_VAL for silence)
    double after = 0;       // and as levelled, about
    double truePeakDb = 0;  // as levelled, dBFS
};

/// Brings interleaved 16-bit `samples` to `targetLufs` integrated loudness (EBU R128, by
/// libebur128), with the true peak at most `maxTruePeakDb`. The English and the Chinese parts
/// are measured apart and each brought to the target, so that a quiet engine is as loud as the
/// other; a language with less than one 0.4 s measuring block is measured over its whole
/// length, and where either is short the file is measured again as levelled, to come to the
/// target as a whole. A pause takes the gain of the part before it. The few peaks that would
/// pass the limit are turned down on their own, over a few milliseconds, rather than the whole
/// word. Silence is left as it is.
LoudnessLevels LevelLoudness(std::vector<std::int16_t>& samples, int channels, std::uint32_t rate,
                             std::span<const SoundPart> parts, double targetLufs, double maxTruePeakDb);

} // namespace speech
