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
// Sample peaks are held this far under the true-peak limit, for the peak between samples. A
// true-peak meter costs four times the loudness meter; over the program's voices at every
// rate the peak between samples stayed within this margin (bench/loudness).
constexpr double kInterSampleMarginDb = 0.6;
// After the measured correction, loudness this close to the target is left as it is.
constexpr double kCloseEnoughLu = 0.1;

// Gains per frame, as factors: each part's gain times `shift`, lowered where a sample would pass
// `ceiling`, then ramped at the bounded slopes.
void LimitedGains(const std::vector<std::int16_t>& samples, std::size_t channels, const std::vector<float>& partGains,
                  double shift, double ceiling, double attack, double release, std::vector<float>& gains)
{
    const std::size_t frames = partGains.size();
    gains.resize(frames);
    for (std::size_t f = 0; f < frames; ++f) {
        int loudest = 0;
        for (std::size_t c = 0; c < channels; ++c)
            loudest = std::max(loudest, std::abs(int(samples[f * channels + c])));
        const double wanted = partGains[f] * shift;
        gains[f] = static_cast<float>(loudest > 0 && wanted * loudest > ceiling ? ceiling / loudest : wanted);
    }
    for (std::size_t f = 1; f < frames; ++f)
        gains[f] = std::min(gains[f], static_cast<float>(gains[f - 1] * release));
    for (std::size_t f = frames; f-- > 1;)
        gains[f - 1] = std::min(gains[f - 1], static_cast<float>(gains[f] * attack));
}

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

    // The English and Chinese parts apart; the whole is both together (pauses are silence, which
    // the measurement leaves out anyway). Sound not marked as either counts as English.
    Meter latin = NewMeter(channels, rate, EBUR128_MODE_I);
    Meter han = NewMeter(channels, rate, EBUR128_MODE_I);
    if (!latin || !han)
        return levels;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const std::size_t begin = std::min(spans[i].firstFrame, frames);
        if (endOf(i) <= begin || (spans[i].script == Script::Neutral && spans.size() > 1))
            continue;
        ebur128_state* meter = spans[i].script == Script::Han ? han.get() : latin.get();
        ebur128_add_frames_short(meter, samples.data() + begin * ch, endOf(i) - begin);
    }
    ebur128_state* both[] = {latin.get(), han.get()};
    if (ebur128_loudness_global_multiple(both, 2, &levels.before) != EBUR128_SUCCESS || !std::isfinite(levels.before))
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

    // Each frame at its part's gain; a pause keeps the gain of the part before it.
    std::vector<float> partGains(frames);
    double gainDb = wholeGain;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        gainDb = partGain(spans[i].script, gainDb);
        const std::size_t begin = std::min(spans[i].firstFrame, frames);
        std::fill(partGains.begin() + std::ptrdiff_t(begin),
                  partGains.begin() + std::ptrdiff_t(std::max(begin, endOf(i))), static_cast<float>(DbToGain(gainDb)));
    }

    // Where a sample would pass the peak limit, its gain goes down on its own: ahead of the
    // peak and back after it, at bounded slopes, so no frame gets more than its part's gain and
    // no step is heard. What that and the parts' meeting cost the whole is measured once and
    // made up.
    const double attack = DbToGain(kAttackDb / std::max(1.0, rate * kAttackMs / 1000.0));
    const double release = DbToGain(kReleaseDb / std::max(1.0, rate * kReleaseMs / 1000.0));
    const double ceiling = DbToGain(maxTruePeakDb - kInterSampleMarginDb) * 32768.0;
    std::vector<float> gains;
    LimitedGains(samples, ch, partGains, 1.0, ceiling, attack, release, gains);
    std::vector<float> levelled(samples.size());  // full scale at 1, as the meter takes it
    const auto apply = [&] {
        for (std::size_t f = 0; f < frames; ++f) {
            for (std::size_t c = 0; c < ch; ++c)
                levelled[f * ch + c] = static_cast<float>(samples[f * ch + c]) * gains[f] * (1.0f / 32768.0f);
        }
    };
    apply();
    Meter after = NewMeter(channels, rate, EBUR128_MODE_I);
    if (!after)
        return levels;
    ebur128_add_frames_float(after.get(), levelled.data(), frames);
    levels.after = Loudness(after.get());
    if (std::isfinite(levels.after) && std::abs(targetLufs - levels.after) > kCloseEnoughLu) {
        LimitedGains(samples, ch, partGains, DbToGain(targetLufs - levels.after), ceiling, attack, release, gains);
        apply();
        levels.after = targetLufs;  // near enough: a further limit costs little
    }
    float peak = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const float value = std::clamp(std::nearbyint(levelled[i] * 32768.0f), -32768.0f, 32767.0f);
        peak = std::max(peak, std::abs(value));
        samples[i] = static_cast<std::int16_t>(value);
    }
    levels.peakDb = peak > 0 ? 20 * std::log10(peak / 32768.0) : -HUGE_VAL;
    return levels;
}

} // namespace speech
