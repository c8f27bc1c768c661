#pragma once

#include <cstdint>
#include <vector>

#include <QString>

namespace speech {

/// A spoken text as an engine wrote it: mono 16-bit samples at the rate its header names.
struct EngineSound
{
    std::vector<std::int16_t> samples;
    std::uint32_t rate = 0;
};

/// Limits on what an engine's file may be: far beyond any word or meaning, so a broken or
/// hostile file cannot take the process's memory.
inline constexpr qint64 kMaxEngineFileBytes = 64 << 20;
inline constexpr int kMaxEngineSeconds = 10 * 60;

/// Reads the WAV file an engine wrote, mixing its channels down. False with `why` set for no
/// file, one too large, one libsndfile cannot read as WAV, no sound in it, or a header claiming
/// more than kMaxEngineSeconds.
bool ReadEngineSound(const QString& path, EngineSound& sound, QString& why);

} // namespace speech
