#include "speech/platform/loudness.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <ebur128.h>
#include <soxr.h>

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
// Sample peaks are held this far under the true-peak limit, for the peak between samples; the
// few words whose peak between samples passes it anyway are turned down as a whole.
constexpr double kInterSampleMarginDb = 0.6;
// The true peak is measured only around samples this close to the limit (a peak between
// samples stays within a few dB of its neighbours), from and to quiet samples (under this share
// of the limit) at least kPeakContext frames away, so the meter's filter starts and ends near
// silence. A true-peak meter over every sample would cost more than the rest of the levelling.
constexpr double kPeakNeighbourhoodDb = 3;
constexpr float kQuietShare = 0.05f;
constexpr std::size_t kPeakContext = 16;
constexpr std::size_t kMostPeakContext = 256;
constexpr double kRoundingRoomDb = 0.02;
// The true peak is the highest value of the sound brought up to at least this rate by soxr
// (and at least four times its own rate, as EBU R128 asks). libebur128's own interpolation is
// short: at 16 kHz it read peaks up to 1 dB lower than a player reconstructs them (and than
// ffmpeg's meter, which brings the sound to 48 kHz first, reads), and it costs more.
constexpr std::uint32_t kPeakRate = 192000;
// After the measured correction, loudness this close to the target is left as it is.
constexpr double kCloseEnoughLu = 0.1;

// The largest magnitude among the channels of frame `f`.
int LoudestAt(const std::vector<std::int16_t>& samples, std::size_t channels, std::size_t f)
{
    int loudest = 0;
    for (std::size_t c = 0; c < channels; ++c)
        loudest = std::max(loudest, std::abs(int(samples[f * channels + c])));
    return loudest;
}

// A stretch of frames at one gain, before limiting.
struct GainSpan
{
    std::size_t begin = 0;
    std::size_t end = 0;
    float gain = 1;
};

// Gains per frame, as factors: each span's gain times `shift`, lowered where a sample would pass
// `ceiling`, then ramped at the bounded slopes.
void LimitedGains(const std::vector<std::int16_t>& samples, std::size_t channels, const std::vector<GainSpan>& spans,
                  float shift, float ceiling, float attack, float release, std::vector<float>& gains)
{
    for (const GainSpan& span : spans) {
        const float wanted = span.gain * shift;
        for (std::size_t f = span.begin; f < span.end; ++f) {
            const auto loudest = float(LoudestAt(samples, channels, f));
            gains[f] = wanted * loudest > ceiling ? ceiling / loudest : wanted;
        }
    }
    const std::size_t frames = gains.size();
    for (std::size_t f = 1; f < frames; ++f)
        gains[f] = std::min(gains[f], gains[f - 1] * release);
    for (std::size_t f = frames; f-- > 1;)
        gains[f - 1] = std::min(gains[f - 1], gains[f] * attack);
}

// The integrated loudness of `samples` at `gains`, fed to the meter a block at a time.
double LevelledLoudness(const std::vector<std::int16_t>& samples, std::size_t channels, std::uint32_t rate,
                        const std::vector<float>& gains)
{
    Meter meter = NewMeter(int(channels), rate, EBUR128_MODE_I);
    if (!meter)
        return -HUGE_VAL;
    constexpr std::size_t kBlockFrames = 2048;
    std::vector<float> block(kBlockFrames * channels);
    for (std::size_t first = 0; first < gains.size(); first += kBlockFrames) {
        const std::size_t count = std::min(kBlockFrames, gains.size() - first);
        for (std::size_t f = 0; f < count; ++f) {
            for (std::size_t c = 0; c < channels; ++c)
                block[f * channels + c] = float(samples[(first + f) * channels + c]) * gains[first + f] * (1.0f / 32768.0f);
        }
        ebur128_add_frames_float(meter.get(), block.data(), count);
    }
    return Loudness(meter.get());
}

std::uint32_t PeakRateOf(std::uint32_t rate)
{
    return std::max(kPeakRate, 4 * rate);
}

// Brings stretches of sound up to PeakRateOf(rate). The filter is made once per rate and kept,
// as the gains are: a batch levels thousands of words at one rate.
class PeakUpsampler
{
public:
    PeakUpsampler(std::uint32_t rate, std::size_t channels)
    {
        if (m_rate == rate && m_channels == channels && m_resampler)
            return;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        m_resampler.reset(soxr_create(rate, PeakRateOf(rate), unsigned(channels), nullptr, &io, &quality, nullptr));
        m_rate = rate;
        m_channels = channels;
    }

    /// The highest value of `frames` of `samples` brought up, full scale at 1; -1 on failure.
    float Peak(const std::int16_t* samples, std::size_t frames)
    {
        if (!m_resampler || soxr_clear(m_resampler.get()))
            return -1;
        m_output.resize((frames * PeakRateOf(m_rate) / m_rate + 1024) * m_channels);
        const std::size_t room = m_output.size() / m_channels;
        std::size_t made = 0;
        std::size_t tail = 0;
        if (soxr_process(m_resampler.get(), samples, frames, nullptr, m_output.data(), room, &made)
            || soxr_process(m_resampler.get(), nullptr, 0, nullptr, m_output.data() + made * m_channels, room - made, &tail))
            return -1;
        // Through a plain pointer and a local bound: read through the thread-local vector, the
        // loop went to memory for every sample, and it runs over the sound at 192 kHz.
        const float* output = m_output.data();
        const std::size_t count = (made + tail) * m_channels;
        float peak = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const float magnitude = std::abs(output[i]);
            peak = magnitude > peak ? magnitude : peak;
        }
        return peak;
    }

private:
    static void Delete(soxr_t resampler) { soxr_delete(resampler); }

    static thread_local inline std::unique_ptr<std::remove_pointer_t<soxr_t>, decltype(&Delete)> m_resampler{nullptr, &Delete};
    static thread_local inline std::uint32_t m_rate = 0;
    static thread_local inline std::size_t m_channels = 0;
    static thread_local inline std::vector<float> m_output;
};

// The true peak of `samples` in dBFS, measured around the samples at or above `near`: the higher
// of soxr's reconstruction and libebur128's, which differ by a few tenths of a dB either way.
// -HUGE_VAL when it cannot be measured (the margin under the sample ceiling then stands alone).
double TruePeakDb(const std::vector<std::int16_t>& samples, std::size_t channels, std::uint32_t rate, int near, int quiet)
{
    PeakUpsampler upsampler(rate, channels);
    const std::size_t frames = samples.size() / channels;
    const auto loudest = [&](std::size_t f) { return LoudestAt(samples, channels, f); };
    // The stretches to measure, those that nearly meet joined, so each is filtered once.
    std::vector<std::pair<std::size_t, std::size_t>> stretches;
    std::size_t measuredTo = 0;
    for (std::size_t f = 0; f < frames; ++f) {
        if (f < measuredTo || loudest(f) < near)
            continue;
        std::size_t begin = f;
        while (begin > measuredTo && (f - begin < kPeakContext || loudest(begin) >= quiet) && f - begin < kMostPeakContext)
            --begin;
        std::size_t end = f + 1;
        while (end < frames && (end - f < kPeakContext || loudest(end - 1) >= quiet) && end - f < kMostPeakContext)
            ++end;
        if (!stretches.empty() && begin <= stretches.back().second + kMostPeakContext)
            stretches.back().second = end;
        else
            stretches.emplace_back(begin, end);
        measuredTo = end;
    }
    // libebur128's reading too, which its short filter sometimes puts a little higher.
    Meter meter = NewMeter(int(channels), rate, EBUR128_MODE_TRUE_PEAK);
    double peak = 0;
    for (const auto& [begin, end] : stretches) {
        const float stretchPeak = upsampler.Peak(samples.data() + begin * channels, end - begin);
        if (stretchPeak < 0 || !meter)
            return -HUGE_VAL;
        peak = std::max(peak, double(stretchPeak));
        ebur128_add_frames_short(meter.get(), samples.data() + begin * channels, end - begin);
    }
    for (unsigned c = 0; meter && c < channels; ++c) {
        double channelPeak = 0;
        if (ebur128_true_peak(meter.get(), c, &channelPeak) == EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    return peak > 0 ? 20 * std::log10(peak) : -HUGE_VAL;
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

    // Each part at its gain; a pause keeps the gain of the part before it.
    std::vector<GainSpan> gainSpans;
    double gainDb = wholeGain;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        gainDb = partGain(spans[i].script, gainDb);
        const std::size_t begin = std::min(spans[i].firstFrame, frames);
        gainSpans.push_back({begin, std::max(begin, endOf(i)), float(DbToGain(gainDb))});
    }

    // Where a sample would pass the peak limit, its gain goes down on its own: ahead of the
    // peak and back after it, at bounded slopes, so no frame gets more than its part's gain and
    // no step is heard. What that and the parts' meeting cost the whole is measured once and
    // made up.
    const auto attack = float(DbToGain(kAttackDb / std::max(1.0, rate * kAttackMs / 1000.0)));
    const auto release = float(DbToGain(kReleaseDb / std::max(1.0, rate * kReleaseMs / 1000.0)));
    const auto ceiling = float(DbToGain(maxTruePeakDb - kInterSampleMarginDb) * 32768.0);
    // Kept from word to word: a batch levels thousands of files of about one size.
    thread_local std::vector<float> gains;
    gains.assign(frames, 1.0f);
    LimitedGains(samples, ch, gainSpans, 1.0f, ceiling, attack, release, gains);
    levels.after = LevelledLoudness(samples, ch, rate, gains);
    if (std::isfinite(levels.after) && std::abs(targetLufs - levels.after) > kCloseEnoughLu) {
        LimitedGains(samples, ch, gainSpans, float(DbToGain(targetLufs - levels.after)), ceiling, attack, release, gains);
        levels.after = targetLufs;  // near enough: a further limit costs little
    }
    for (std::size_t f = 0; f < frames; ++f) {
        for (std::size_t c = 0; c < ch; ++c) {
            std::int16_t& sample = samples[f * ch + c];
            sample = std::int16_t(std::clamp(std::lrint(float(sample) * gains[f]), -32768L, 32767L));
        }
    }
    levels.truePeakDb = TruePeakDb(samples, ch, rate, int(ceiling * float(DbToGain(-kPeakNeighbourhoodDb))),
                                   int(ceiling * kQuietShare));
    // A little under the limit, so rounding to whole samples cannot lift it past.
    if (const double allowed = maxTruePeakDb - kRoundingRoomDb; levels.truePeakDb > allowed) {
        const float down = float(DbToGain(allowed - levels.truePeakDb));
        for (std::int16_t& sample : samples)
            sample = std::int16_t(std::lrint(float(sample) * down));
        levels.after += allowed - levels.truePeakDb;
        levels.truePeakDb = allowed;
    }
    return levels;
}

} // namespace speech
