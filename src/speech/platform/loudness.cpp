#include "speech/platform/loudness.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <ebur128.h>

namespace speech {
namespace {

void Destroy(ebur128_state* state)
{
    ebur128_destroy(&state);
}

using Meter = std::unique_ptr<ebur128_state, decltype(&Destroy)>;

Meter NewMeter(int channels, std::uint32_t rate, int mode)
{
    return Meter(ebur128_init(static_cast<unsigned>(channels), rate, mode), &Destroy);
}

double Loudness(ebur128_state* meter)
{
    double lufs = -HUGE_VAL;
    if (!meter || ebur128_loudness_global(meter, &lufs) != EBUR128_SUCCESS)
        return -HUGE_VAL;
    return lufs;
}

double DbToGain(double db)
{
    return std::pow(10.0, db / 20.0);
}

// Gains change at most this fast: they fall quickly ahead of a peak or a louder part, and
// rise again more slowly, so neither clicks nor pumps.
constexpr double kAttackDb = 20;
constexpr double kAttackMs = 2;
constexpr double kReleaseDb = 20;
constexpr double kReleaseMs = 20;
// Sample peaks are held this far under the true-peak limit: the peak between samples is higher.
constexpr double kInterSampleMarginDb = 0.5;
// Levelling passes, each making up what the limiting of the one before cost.
constexpr int kPasses = 3;
constexpr double kCloseEnoughLu = 0.2;

} // namespace

LoudnessLevels LevelLoudness(std::vector<std::int16_t>& samples, int channels, std::uint32_t rate,
                             std::span<const SoundPart> parts, double targetLufs, double maxTruePeakDb)
{
    LoudnessLevels levels;
    const std::size_t frames = channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0;
    const auto ch = static_cast<std::size_t>(channels);
    // Each part runs to the next part's first frame; what comes before the first is its own.
    std::vector<SoundPart> spans(parts.begin(), parts.end());
    if (spans.empty() || spans.front().firstFrame > 0)
        spans.insert(spans.begin(), SoundPart{0, spans.empty() ? Script::Neutral : spans.front().script});
    const auto endOf = [&](std::size_t i) {
        return std::min(i + 1 < spans.size() ? spans[i + 1].firstFrame : frames, frames);
    };

    // The whole, and the English and Chinese parts apart.
    Meter whole = NewMeter(channels, rate, EBUR128_MODE_I);
    Meter latin = NewMeter(channels, rate, EBUR128_MODE_I);
    Meter han = NewMeter(channels, rate, EBUR128_MODE_I);
    if (!whole || !latin || !han)
        return levels;
    ebur128_add_frames_short(whole.get(), samples.data(), frames);
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const std::size_t begin = std::min(spans[i].firstFrame, frames);
        if (spans[i].script == Script::Neutral || endOf(i) <= begin)
            continue;
        ebur128_state* meter = spans[i].script == Script::Han ? han.get() : latin.get();
        ebur128_add_frames_short(meter, samples.data() + begin * ch, endOf(i) - begin);
    }
    levels.before = Loudness(whole.get());
    if (!std::isfinite(levels.before))
        return levels;  // silence, or too short to measure: nothing to level
    const double wholeGain = targetLufs - levels.before;
    const double latinLufs = Loudness(latin.get());
    const double hanLufs = Loudness(han.get());
    const auto partGain = [&](Script script, double before) {
        if (script == Script::Latin && std::isfinite(latinLufs))
            return targetLufs - latinLufs;
        if (script == Script::Han && std::isfinite(hanLufs))
            return targetLufs - hanLufs;
        return script == Script::Neutral ? before : wholeGain;
    };

    // Each frame at its part's gain, in dB; a pause keeps the gain of the part before it.
    std::vector<double> partGains(frames);
    double gainDb = wholeGain;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        gainDb = partGain(spans[i].script, gainDb);
        const std::size_t begin = std::min(spans[i].firstFrame, frames);
        std::fill(partGains.begin() + std::ptrdiff_t(begin),
                  partGains.begin() + std::ptrdiff_t(std::max(begin, endOf(i))), gainDb);
    }

    // Raise or lower the whole to the target; where a sample would then pass the peak limit,
    // its gain goes down. Gains fall ahead of the frame that needs it and rise after it, at
    // bounded slopes, so no frame gets more than its own gain and no step is heard. Limiting
    // costs a little loudness, which the next pass makes up.
    const double attack = kAttackDb / std::max(1.0, rate * kAttackMs / 1000.0);
    const double release = kReleaseDb / std::max(1.0, rate * kReleaseMs / 1000.0);
    const double sampleLimit = DbToGain(maxTruePeakDb - kInterSampleMarginDb) * 32768.0;
    std::vector<double> gains(frames);
    std::vector<float> levelled(samples.size());
    double shift = 0;
    double truePeakDb = -HUGE_VAL;
    for (int pass = 0; pass < kPasses; ++pass) {
        for (std::size_t f = 0; f < frames; ++f) {
            int loudest = 0;
            for (std::size_t c = 0; c < ch; ++c)
                loudest = std::max(loudest, std::abs(int(samples[f * ch + c])));
            gains[f] = partGains[f] + shift;
            if (loudest > 0)
                gains[f] = std::min(gains[f], 20 * std::log10(sampleLimit / loudest));
        }
        for (std::size_t f = 1; f < frames; ++f)
            gains[f] = std::min(gains[f], gains[f - 1] + release);
        for (std::size_t f = frames; f-- > 1;)
            gains[f - 1] = std::min(gains[f - 1], gains[f] + attack);
        for (std::size_t f = 0; f < frames; ++f) {
            const double gain = DbToGain(gains[f]) / 32768.0;
            for (std::size_t c = 0; c < ch; ++c)
                levelled[f * ch + c] = static_cast<float>(samples[f * ch + c] * gain);
        }
        Meter after = NewMeter(channels, rate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
        if (!after)
            return levels;
        ebur128_add_frames_float(after.get(), levelled.data(), frames);
        double peak = 0;
        for (unsigned c = 0; c < static_cast<unsigned>(channels); ++c) {
            double channelPeak = 0;
            if (ebur128_true_peak(after.get(), c, &channelPeak) == EBUR128_SUCCESS)
                peak = std::max(peak, channelPeak);
        }
        truePeakDb = peak > 0 ? 20 * std::log10(peak) : -HUGE_VAL;
        levels.after = Loudness(after.get());
        if (!std::isfinite(levels.after) || std::abs(targetLufs - levels.after) <= kCloseEnoughLu)
            break;
        shift += targetLufs - levels.after;
    }
    // What passes between the samples the last pass could not see: down as a whole.
    const double over = std::max(0.0, truePeakDb - maxTruePeakDb);
    const double scale = DbToGain(-over) * 32768.0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double value = std::lrint(levelled[i] * scale);
        samples[i] = static_cast<std::int16_t>(std::clamp(value, -32768.0, 32767.0));
    }
    levels.after -= over;
    levels.truePeakDb = truePeakDb - over;
    return levels;
}

} // namespace speech
