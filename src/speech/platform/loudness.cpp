#include "speech/platform/loudness.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <optional>

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

// The meter's absolute gate: sound under it is silence.
constexpr double kSilenceLufs = -70;
// The integrated loudness is measured over blocks of this long.
constexpr std::size_t kMeasuringBlockMs = 400;

// The loudness of all `frames` a meter was given: integrated, or, short of one measuring block,
// over the whole of them, as a block of their length would read.
double LoudnessOfAll(ebur128_state* meter, std::size_t frames, std::uint32_t rate)
{
    const std::size_t ms = rate > 0 ? frames * 1000 / rate : 0;
    if (ms >= kMeasuringBlockMs || ms == 0)
        return Loudness(meter);
    double lufs = -HUGE_VAL;
    if (ebur128_loudness_window(meter, ms, &lufs) != EBUR128_SUCCESS || lufs < kSilenceLufs)
        return -HUGE_VAL;
    return lufs;
}

// The loudness of two stretches of sound, `frames` long at `lufs` each, as one: their mean
// energy.
double LoudnessTogether(double lufs1, std::size_t frames1, double lufs2, std::size_t frames2)
{
    const auto energy = [](double lufs) { return std::isfinite(lufs) ? std::pow(10.0, lufs / 10) : 0.0; };
    const double mean = (energy(lufs1) * double(frames1) + energy(lufs2) * double(frames2))
                        / double(std::max<std::size_t>(frames1 + frames2, 1));
    return mean > 0 ? 10 * std::log10(mean) : -HUGE_VAL;
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
// The true peak is read from the sound brought up to four times its rate by soxr, each peak
// there placed between its neighbours by a parabola, which reads the peak a player reconstructs
// to a few hundredths of a dB (as ffmpeg's meter, which goes to 192 kHz, reads it). libebur128's
// own interpolation is short: at 16 kHz it read peaks up to 1 dB lower, and now and then up to
// 0.1 dB higher (over the stretches of 600 words); its reading is taken too, but only of
// stretches whose peak comes this near the limit (one in sixty), as over all of them it cost
// more than everything else the peak check does.
constexpr std::uint32_t kPeakOversampling = 4;
// The share of the band up to half the rate that soxr keeps whole. Its usual 91 % cut the top
// of a 16 kHz voice's sound, and peaks read 0.05 dB lower than sox's and ffmpeg's meters read.
constexpr double kPeakPassband = 0.98;
constexpr double kAskLibebur128WithinDb = 0.3;
// Loudness this close to the target is left as it is.
constexpr double kCloseEnoughLu = 0.1;
// Languages measured apart over at least this long each come to the target together within
// about 0.3 LU. Over less, the measuring blocks at their ends weigh enough that the file came
// out up to 1.4 LU under it (a one-syllable word and its one-character meaning: 0.6 LU on
// average): such a file is measured again as levelled, which at its length costs little.
constexpr double kLeastMeasuredApartSeconds = 2.0;
// What the limiter takes from a word is reckoned from the energy of the samples it turns down;
// up to this much (a spoken word at -18 LUFS loses at most some 0.35 dB) the reckoning is made
// up as it stands, beyond it the levelled sound is measured again.
constexpr double kMostEstimatedLossDb = 1.0;
// Each make-up meets the limit a little more; the steps after the first take the rest.
constexpr int kMostMakeUpSteps = 3;

// Frames are looked at this many at a time where few are loud: the largest magnitude of a block
// is found in vector instructions, and a block under the bound is passed over whole.
constexpr std::size_t kScanBlock = 64;

// The largest magnitude among `count` interleaved samples.
int LoudestIn(const std::int16_t* samples, std::size_t count)
{
    int loudest = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int magnitude = std::abs(int(samples[i]));
        loudest = magnitude > loudest ? magnitude : loudest;
    }
    return loudest;
}

// The largest magnitude among the channels of frame `f`.
int LoudestAt(const std::vector<std::int16_t>& samples, std::size_t channels, std::size_t f)
{
    return LoudestIn(samples.data() + f * channels, channels);
}

// Stretches of frames, [begin, end), in order.
using FrameStretches = std::vector<std::pair<std::size_t, std::size_t>>;

// A stretch of frames at one gain, before limiting.
struct GainSpan
{
    std::size_t begin = 0;
    std::size_t end = 0;
    float gain = 1;
};

// Gains per frame, as factors: each span's gain times `shift`, lowered where a sample would pass
// `ceiling`, then ramped at the bounded slopes. Returns the frames whose gain is under their
// span's, as stretches [begin, end). Gains differ from their span's only around a limited frame
// or where spans meet, so the ramps are walked from there and no further than they reach: a
// walk over every frame cost more than the rest of the levelling.
FrameStretches LimitedGains(const std::vector<std::int16_t>& samples, std::size_t channels, const std::vector<GainSpan>& spans,
                            float shift, float ceiling, float attack, float release, std::vector<float>& gains)
{
    // Where a ramp may start: a limited frame, or a span's first frame (its gain steps there).
    std::vector<std::size_t> starts;
    for (const GainSpan& span : spans) {
        const float wanted = span.gain * shift;
        std::fill(gains.begin() + std::ptrdiff_t(span.begin), gains.begin() + std::ptrdiff_t(span.end), wanted);
        if (span.begin > 0 && span.begin < span.end)
            starts.push_back(span.begin);
        const float loudestAllowed = ceiling / wanted;
        for (std::size_t block = span.begin; block < span.end; block += kScanBlock) {
            const std::size_t end = std::min(block + kScanBlock, span.end);
            if (float(LoudestIn(samples.data() + block * channels, (end - block) * channels)) <= loudestAllowed)
                continue;
            for (std::size_t f = block; f < end; ++f) {
                if (const auto loudest = float(LoudestAt(samples, channels, f)); loudest > loudestAllowed) {
                    gains[f] = ceiling / loudest;
                    starts.push_back(f);
                }
            }
        }
    }
    const std::size_t frames = gains.size();
    // Forward: gains rise at most at `release` a frame; backward: they fall at most at `attack`.
    FrameStretches lowered;
    const auto lower = [&](std::size_t begin, std::size_t end) {
        if (!lowered.empty() && begin <= lowered.back().second)
            lowered.back().second = std::max(lowered.back().second, end);
        else
            lowered.emplace_back(begin, end);
    };
    std::size_t rampedTo = 0;
    for (const std::size_t start : starts) {
        std::size_t f = std::max(start + 1, rampedTo);
        float prev = gains[f - 1];
        for (; f < frames && gains[f] > prev * release; ++f)
            gains[f] = prev = prev * release;
        rampedTo = f;
    }
    std::size_t rampedFrom = frames;
    for (auto start = starts.rbegin(); start != starts.rend(); ++start) {
        std::size_t f = std::min(*start, rampedFrom);
        if (f == 0)
            continue;
        float next = gains[f];
        for (; f > 0 && gains[f - 1] > next * attack; --f)
            gains[f - 1] = next = next * attack;
        rampedFrom = f;
    }
    // The stretches to account for: each start, and its ramps either side while under its span's.
    std::size_t span = 0;
    for (const std::size_t start : starts) {
        if (!lowered.empty() && start < lowered.back().second)
            continue;  // in the stretch of a start before it
        while (spans[span].end <= start)
            ++span;
        std::size_t begin = start;
        const auto below = [&](std::size_t f) {
            const GainSpan* s = &spans[span];
            while (f < s->begin)
                --s;
            while (f >= s->end)
                ++s;
            return gains[f] < s->gain * shift;
        };
        while (begin > 0 && below(begin - 1))
            --begin;
        std::size_t end = start;
        while (end < frames && below(end))
            ++end;
        if (begin < end)
            lower(begin, end);
    }
    return lowered;
}

// The share of the sound's energy that `gains` take away from its spans' own gains: a measure
// without the meter's weighting, by which what the limiter took is made up, or found too much
// to make up without measuring again.
double LoweredShare(const std::vector<std::int16_t>& samples, std::size_t channels, const std::vector<GainSpan>& spans,
                    float shift, const std::vector<float>& gains, const FrameStretches& lowered)
{
    double whole = 0;
    for (const GainSpan& span : spans) {
        std::int64_t energy = 0;
        for (std::size_t i = span.begin * channels; i < span.end * channels; ++i)
            energy += std::int64_t(samples[i]) * samples[i];
        whole += double(energy) * double(span.gain * shift) * double(span.gain * shift);
    }
    double lost = 0;
    std::size_t s = 0;
    for (const auto& [begin, end] : lowered) {
        for (std::size_t f = begin; f < end; ++f) {
            while (spans[s].end <= f)
                ++s;
            const double wanted = double(spans[s].gain * shift);
            for (std::size_t c = 0; c < channels; ++c) {
                const double sample = samples[f * channels + c];
                lost += sample * sample * (wanted * wanted - double(gains[f]) * gains[f]);
            }
        }
    }
    return whole > 0 ? lost / whole : 0;
}

// `source` at `gains`, rounded to the nearest sample within range, into `samples`.
void ApplyGains(const std::vector<std::int16_t>& source, std::size_t channels, const std::vector<float>& gains,
                std::vector<std::int16_t>& samples)
{
    const std::size_t frames = gains.size();
    // Rounded half away from zero, and held within range, in a form the compiler turns into
    // vector instructions (std::lrint and std::clamp it leaves a sample at a time).
    const auto level = [](std::int16_t sample, float gain) {
        const float value = float(sample) * gain;
        int rounded = int(value + std::copysign(0.5f, value));
        rounded = rounded < -32768 ? -32768 : rounded;
        rounded = rounded > 32767 ? 32767 : rounded;
        return std::int16_t(rounded);
    };
    if (channels == 1) {
        const std::int16_t* __restrict in = source.data();
        const float* __restrict gain = gains.data();
        std::int16_t* __restrict out = samples.data();
        for (std::size_t f = 0; f < frames; ++f)
            out[f] = level(in[f], gain[f]);
        return;
    }
    for (std::size_t f = 0; f < frames; ++f) {
        for (std::size_t c = 0; c < channels; ++c)
            samples[f * channels + c] = level(source[f * channels + c], gains[f]);
    }
}

// The integrated loudness of `samples`.
double MeasuredLoudness(const std::vector<std::int16_t>& samples, std::size_t channels, std::uint32_t rate)
{
    Meter meter = NewMeter(int(channels), rate, EBUR128_MODE_I);
    if (!meter)
        return -HUGE_VAL;
    ebur128_add_frames_short(meter.get(), samples.data(), samples.size() / channels);
    return Loudness(meter.get());
}

// Brings stretches of sound up to kPeakOversampling * rate. The filter is made once per rate and kept,
// as the gains are: a batch levels thousands of words at one rate.
class PeakUpsampler
{
public:
    PeakUpsampler(std::uint32_t rate, std::size_t channels)
    {
        if (m_rate == rate && m_channels == channels && m_resampler)
            return;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_FLOAT32_I);
        soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        quality.passband_end = kPeakPassband;
        m_resampler.reset(soxr_create(rate, kPeakOversampling * rate, unsigned(channels), nullptr, &io, &quality, nullptr));
        m_rate = rate;
        m_channels = channels;
        m_used = false;
    }

    /// The highest value of each of `stretches` of `samples` brought up, full scale at 1, into
    /// `peaks`; false on failure. The stretches go through soxr one after another as one
    /// sound (they begin and end quiet) and soxr starts afresh once a word: each start designs
    /// its filter again, which for each stretch on its own cost more than the measuring.
    bool Peaks(const std::vector<std::int16_t>& samples, const FrameStretches& stretches, std::vector<float>& peaks)
    {
        peaks.clear();
        if (!m_resampler || (m_used && soxr_clear(m_resampler.get())))
            return false;
        m_used = true;
        m_input.clear();
        for (const auto& [begin, end] : stretches)
            m_input.insert(m_input.end(), samples.begin() + std::ptrdiff_t(begin * m_channels),
                           samples.begin() + std::ptrdiff_t(end * m_channels));
        const std::size_t frames = m_input.size() / m_channels;
        m_output.resize((frames * kPeakOversampling + 1024) * m_channels);
        const std::size_t room = m_output.size() / m_channels;
        std::size_t made = 0;
        std::size_t tail = 0;
        if (soxr_process(m_resampler.get(), m_input.data(), frames, nullptr, m_output.data(), room, &made)
            || soxr_process(m_resampler.get(), nullptr, 0, nullptr, m_output.data() + made * m_channels, room - made, &tail))
            return false;
        // soxr's output is aligned with its input: frame f comes out at kPeakOversampling * f.
        const std::size_t out = made + tail;
        std::size_t first = 0;
        for (const auto& [begin, end] : stretches) {
            const std::size_t from = std::min(first * kPeakOversampling, out);
            first += end - begin;
            const std::size_t to = first == frames ? out : std::min(first * kPeakOversampling, out);
            peaks.push_back(RefinedPeak(m_output.data() + from * m_channels, (to - from) * m_channels));
        }
        return true;
    }

private:
    // The highest magnitude among `count` samples, each local peak near it placed by a parabola
    // through it and its neighbours (channels interleaved).
    float RefinedPeak(const float* output, std::size_t count) const
    {
        // Eight running maxima, which the compiler keeps in vector registers.
        constexpr std::size_t kLanes = 8;
        float lanes[kLanes] = {};
        std::size_t i = 0;
        for (; i + kLanes <= count; i += kLanes) {
            for (std::size_t k = 0; k < kLanes; ++k) {
                const float magnitude = std::abs(output[i + k]);
                lanes[k] = magnitude > lanes[k] ? magnitude : lanes[k];
            }
        }
        float highest = *std::max_element(std::begin(lanes), std::end(lanes));
        for (; i < count; ++i)
            highest = std::max(highest, std::abs(output[i]));
        const std::size_t step = m_channels;
        const float near = highest * 0.95f;  // a parabola lifts a peak by well under 0.4 dB
        float peak = highest;
        for (std::size_t i = step; i + step < count; ++i) {
            const float b = std::abs(output[i]);
            if (b < near)
                continue;
            const float sign = output[i] < 0 ? -1.0f : 1.0f;
            const float a = sign * output[i - step];
            const float c = sign * output[i + step];
            const float curve = a - 2 * b + c;
            if (a > b || c > b || curve >= 0)
                continue;
            const float offset = (a - c) / (2 * curve);
            peak = std::max(peak, b - (a - c) * offset / 4);
        }
        return peak;
    }

    static void Delete(soxr_t resampler) { soxr_delete(resampler); }

    static thread_local inline std::unique_ptr<std::remove_pointer_t<soxr_t>, decltype(&Delete)> m_resampler{nullptr, &Delete};
    static thread_local inline std::uint32_t m_rate = 0;
    static thread_local inline std::size_t m_channels = 0;
    static thread_local inline std::vector<float> m_output;
    static thread_local inline std::vector<std::int16_t> m_input;
    static thread_local inline bool m_used = false;
};

// The true peak of `samples` in dBFS, measured around the samples at or above `near`: soxr's
// reconstruction, and where that comes to `askAbove` (full scale at 1) the higher of it and
// libebur128's, as the two differ by a few tenths of a dB either way. -HUGE_VAL when it cannot
// be measured (the margin under the sample ceiling then stands alone).
double TruePeakDb(const std::vector<std::int16_t>& samples, std::size_t channels, std::uint32_t rate, int near, int quiet,
                  double askAbove)
{
    PeakUpsampler upsampler(rate, channels);
    const std::size_t frames = samples.size() / channels;
    const auto loudest = [&](std::size_t f) { return LoudestAt(samples, channels, f); };
    // The stretches to measure, those that nearly meet joined, so each is filtered once.
    FrameStretches stretches;
    std::size_t measuredTo = 0;
    for (std::size_t f = 0; f < frames; ++f) {
        if (f % kScanBlock == 0 && f >= measuredTo && f + kScanBlock <= frames
            && LoudestIn(samples.data() + f * channels, kScanBlock * channels) < near) {
            f += kScanBlock - 1;
            continue;
        }
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
    thread_local std::vector<float> peaks;
    Meter meter = NewMeter(int(channels), rate, EBUR128_MODE_TRUE_PEAK);
    if (!meter || !upsampler.Peaks(samples, stretches, peaks))
        return -HUGE_VAL;
    double peak = 0;
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        peak = std::max(peak, double(peaks[i]));
        const auto [begin, end] = stretches[i];
        if (peaks[i] >= askAbove)
            ebur128_add_frames_short(meter.get(), samples.data() + begin * channels, end - begin);
    }
    for (unsigned c = 0; meter && c < channels; ++c) {
        double channelPeak = 0;
        if (ebur128_true_peak(meter.get(), c, &channelPeak) == EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    return peak > 0 ? 20 * std::log10(peak) : -HUGE_VAL;
}

// A part of the sound with its frames, [begin, end): it runs to the next part's first frame.
struct PartSpan
{
    std::size_t begin = 0;
    std::size_t end = 0;  // begin for an empty part
    Script script = Script::Neutral;
};

// `parts` with their frames, within `frames`. What comes before the first part belongs to a
// part of its own with the first part's script.
std::vector<PartSpan> PartSpans(std::span<const SoundPart> parts, std::size_t frames)
{
    std::vector<SoundPart> starts(parts.begin(), parts.end());
    if (starts.empty() || starts.front().firstFrame > 0)
        starts.insert(starts.begin(), SoundPart{0, starts.empty() ? Script::Neutral : starts.front().script});
    std::vector<PartSpan> spans;
    spans.reserve(starts.size());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::size_t begin = std::min(starts[i].firstFrame, frames);
        const std::size_t end = std::min(i + 1 < starts.size() ? starts[i + 1].firstFrame : frames, frames);
        spans.push_back({begin, std::max(begin, end), starts[i].script});
    }
    return spans;
}

// How loud each language of a file is, measured apart, and both together.
struct LanguageLoudness
{
    double latinLufs = -HUGE_VAL;  // -HUGE_VAL: silent, or none of it
    double hanLufs = -HUGE_VAL;
    std::size_t latinFrames = 0;  // what each was measured over, pauses included
    std::size_t hanFrames = 0;
    double wholeLufs = -HUGE_VAL;

    // Whether the languages were measured over too little to tell the file's loudness
    // together, and the file holds a measuring block, so it can be measured as a whole.
    bool TooShortApart(std::size_t frames, std::uint32_t rate) const
    {
        return std::isfinite(latinLufs) && std::isfinite(hanLufs)
               && double(std::min(latinFrames, hanFrames)) < kLeastMeasuredApartSeconds * rate
               && frames * 1000 / rate >= kMeasuringBlockMs;
    }
};

// The English and Chinese parts apart, each with the pauses around it (a pause between the
// two halved): the file is measured with its pauses, which lower its loudness by about as
// much in both, so parts of a few seconds at their gains come to the target together
// without a second measurement. Sound not marked as either counts as English. Nothing when
// no meter could be made.
std::optional<LanguageLoudness> MeasureLanguages(const std::vector<std::int16_t>& samples, std::size_t channels,
                                                 std::uint32_t rate, const std::vector<PartSpan>& spans)
{
    Meter latin = NewMeter(int(channels), rate, EBUR128_MODE_I);
    Meter han = NewMeter(int(channels), rate, EBUR128_MODE_I);
    if (!latin || !han)
        return std::nullopt;
    LanguageLoudness loudness;
    const auto measure = [&](Script script, std::size_t begin, std::size_t end) {
        const bool isHan = script == Script::Han;
        ebur128_add_frames_short(isHan ? han.get() : latin.get(), samples.data() + begin * channels, end - begin);
        (isHan ? loudness.hanFrames : loudness.latinFrames) += end - begin;
    };
    const auto scriptAround = [&](std::size_t i, int step) {
        for (; i < spans.size(); i += std::size_t(step)) {
            if (spans[i].script != Script::Neutral)
                return spans[i].script;
        }
        return Script::Neutral;
    };
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const auto [begin, end, script] = spans[i];
        if (end == begin)
            continue;
        Script before = scriptAround(i, -1);
        Script after = scriptAround(i, 1);
        if (before == Script::Neutral)
            before = after;
        if (after == Script::Neutral)
            after = before;
        const std::size_t middle = before == after ? end : begin + (end - begin) / 2;
        measure(before, begin, middle);
        if (middle < end)
            measure(after, middle, end);
    }
    loudness.latinLufs = LoudnessOfAll(latin.get(), loudness.latinFrames, rate);
    loudness.hanLufs = LoudnessOfAll(han.get(), loudness.hanFrames, rate);
    ebur128_state* both[] = {latin.get(), han.get()};
    if (ebur128_loudness_global_multiple(both, 2, &loudness.wholeLufs) != EBUR128_SUCCESS
        || !std::isfinite(loudness.wholeLufs)) {
        // Neither holds a measuring block.
        loudness.wholeLufs = LoudnessTogether(loudness.latinLufs, loudness.latinFrames, loudness.hanLufs, loudness.hanFrames);
    }
    return loudness;
}

// Each part at the gain that brings its language to `targetLufs`; a pause keeps the gain of the
// part before it, and a part of a language with nothing to measure takes the gain of the whole.
std::vector<GainSpan> PartGains(const std::vector<PartSpan>& spans, const LanguageLoudness& loudness, double targetLufs)
{
    const double wholeGain = targetLufs - loudness.wholeLufs;
    std::vector<GainSpan> gainSpans;
    double gainDb = wholeGain;
    for (const PartSpan& span : spans) {
        if (span.script == Script::Latin)
            gainDb = std::isfinite(loudness.latinLufs) ? targetLufs - loudness.latinLufs : wholeGain;
        else if (span.script == Script::Han)
            gainDb = std::isfinite(loudness.hanLufs) ? targetLufs - loudness.hanLufs : wholeGain;
        if (span.begin < span.end)
            gainSpans.push_back({span.begin, span.end, float(DbToGain(gainDb))});
    }
    return gainSpans;
}

// Brings `samples` to the gains of `spans`, brought down where a sample would pass `ceiling`:
// ahead of the peak and back after it, at bounded slopes, so no frame gets more than its part's
// gain and no step is heard. What that takes from the loudness is made up from the limiter's
// own account, or, when it takes more than that account holds to or `measureAgain` asks, from
// the sound measured as levelled. Returns the loudness the sound comes to, about.
double LevelUnderCeiling(std::vector<std::int16_t>& samples, std::size_t channels, std::uint32_t rate,
                         const std::vector<GainSpan>& spans, float ceiling, double targetLufs, bool measureAgain)
{
    const auto attack = float(DbToGain(kAttackDb / std::max(1.0, rate * kAttackMs / 1000.0)));
    const auto release = float(DbToGain(kReleaseDb / std::max(1.0, rate * kReleaseMs / 1000.0)));
    // Kept from word to word: a batch levels thousands of files of about one size.
    thread_local std::vector<float> gains;
    thread_local std::vector<std::int16_t> source;
    gains.resize(samples.size() / channels);  // every frame is in a span, which sets it
    source = samples;
    const auto lostDb = [&](float shift) {
        const auto lowered = LimitedGains(source, channels, spans, shift, ceiling, attack, release, gains);
        return -10 * std::log10(1 - std::min(0.99, LoweredShare(source, channels, spans, shift, gains, lowered)));
    };
    const double lost = lostDb(1.0f);
    double after = targetLufs - lost;
    if (!measureAgain && lost > kCloseEnoughLu && lost <= kMostEstimatedLossDb) {
        // What the limiter took, made up from its own account: the peaks it meets then are
        // turned down again, and what that takes is small.
        after = targetLufs - lostDb(float(DbToGain(lost))) + lost;
    }
    ApplyGains(source, channels, gains, samples);
    if (measureAgain || lost > kMostEstimatedLossDb) {
        // Short languages, or limited this much: the sound's own measure is needed, and the
        // sound is made up from it.
        after = MeasuredLoudness(samples, channels, rate);
        if (std::isfinite(after) && std::abs(targetLufs - after) > kCloseEnoughLu) {
            // Raised, the sound meets the limit more often: what the limiter then takes beyond
            // what was measured is made up from its own account too, while that holds.
            const double shift = targetLufs - after;
            double raise = shift;
            double more = lostDb(float(DbToGain(raise))) - lost;
            for (int step = 0; step < kMostMakeUpSteps && lost <= kMostEstimatedLossDb && more <= kMostEstimatedLossDb
                               && shift + more - raise > kCloseEnoughLu;
                 ++step) {
                raise = shift + more;
                more = lostDb(float(DbToGain(raise))) - lost;
            }
            ApplyGains(source, channels, gains, samples);
            after = targetLufs;  // near enough: a further limit costs little
        }
    }
    return after;
}

// Turns the whole of `samples` down where its true peak, measured around the samples near
// `ceiling`, passes `maxTruePeakDb`; `levels` gets the true peak and follows the loudness down.
void KeepTruePeakUnder(std::vector<std::int16_t>& samples, std::size_t channels, std::uint32_t rate, float ceiling,
                       double maxTruePeakDb, LoudnessLevels& levels)
{
    // A little under the limit, so rounding to whole samples cannot lift it past.
    const double allowed = maxTruePeakDb - kRoundingRoomDb;
    levels.truePeakDb = TruePeakDb(samples, channels, rate, int(ceiling * float(DbToGain(-kPeakNeighbourhoodDb))),
                                   int(ceiling * kQuietShare), DbToGain(allowed - kAskLibebur128WithinDb));
    if (levels.truePeakDb > allowed) {
        const float down = float(DbToGain(allowed - levels.truePeakDb));
        for (std::int16_t& sample : samples)
            sample = std::int16_t(std::lrint(float(sample) * down));
        levels.after += allowed - levels.truePeakDb;
        levels.truePeakDb = allowed;
    }
}

} // namespace

LoudnessLevels LevelLoudness(std::vector<std::int16_t>& samples, int channels, std::uint32_t rate,
                             std::span<const SoundPart> parts, double targetLufs, double maxTruePeakDb)
{
    LoudnessLevels levels;
    const auto ch = static_cast<std::size_t>(channels);
    const std::size_t frames = channels > 0 ? samples.size() / ch : 0;
    const std::vector<PartSpan> spans = PartSpans(parts, frames);
    const std::optional<LanguageLoudness> loudness = MeasureLanguages(samples, ch, rate, spans);
    if (!loudness)
        return levels;
    levels.before = loudness->wholeLufs;
    if (!std::isfinite(levels.before))
        return levels;  // silence: nothing to level
    const auto ceiling = float(DbToGain(maxTruePeakDb - kInterSampleMarginDb) * 32768.0);
    levels.after = LevelUnderCeiling(samples, ch, rate, PartGains(spans, *loudness, targetLufs), ceiling, targetLufs,
                                     loudness->TooShortApart(frames, rate));
    KeepTruePeakUnder(samples, ch, rate, ceiling, maxTruePeakDb, levels);
    return levels;
}

} // namespace speech
