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

// A gain change spreads over this long, so it never clicks.
constexpr std::uint32_t kRampMs = 5;

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

    // Each part at its gain, ramped from the one before.
    std::vector<float> levelled(samples.size());
    const std::size_t ramp = std::max<std::size_t>(1, rate * kRampMs / 1000);
    double gainDb = spans.front().script == Script::Neutral ? wholeGain : partGain(spans.front().script, wholeGain);
    double current = DbToGain(gainDb);
    for (std::size_t i = 0; i < spans.size(); ++i) {
        gainDb = partGain(spans[i].script, gainDb);
        const double from = current;
        const double to = DbToGain(gainDb);
        const std::size_t begin = std::min(spans[i].firstFrame, frames);
        for (std::size_t f = begin; f < endOf(i); ++f) {
            const std::size_t into = f - begin;
            const double gain = into < ramp ? from + (to - from) * static_cast<double>(into + 1) / ramp : to;
            for (std::size_t c = 0; c < ch; ++c)
                levelled[f * ch + c] = static_cast<float>(samples[f * ch + c] * gain / 32768.0);
        }
        current = to;
    }

    // The whole once more: to the target, unless the true peak would pass its limit.
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
    const double peakDb = peak > 0 ? 20 * std::log10(peak) : -HUGE_VAL;
    const double loudness = Loudness(after.get());
    double correction = std::isfinite(loudness) ? targetLufs - loudness : 0;
    if (peakDb + correction > maxTruePeakDb)
        correction = maxTruePeakDb - peakDb;
    const double scale = DbToGain(correction) * 32768.0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double value = std::lrint(levelled[i] * scale);
        samples[i] = static_cast<std::int16_t>(std::clamp(value, -32768.0, 32767.0));
    }
    levels.gainDb = wholeGain + correction;
    levels.truePeakDb = peakDb + correction;
    return levels;
}

} // namespace speech
