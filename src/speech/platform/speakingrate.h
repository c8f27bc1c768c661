#pragma once

namespace speech {

/// The speaking rates the engines take, in percent of their usual tempo: espeak-ng's words per
/// minute, Flite's segment durations.
inline constexpr int kMinRatePercent = 50;
inline constexpr int kUsualRatePercent = 100;
inline constexpr int kMaxRatePercent = 200;

} // namespace speech
