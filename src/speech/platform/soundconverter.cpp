#include "speech/platform/soundconverter.h"

#include <cmath>

#include <soxr.h>

#include "base/cfree.h"

namespace speech {

struct SoundConverter::Resampler
{
    std::unique_ptr<std::remove_pointer_t<soxr_t>, CFree<&soxr_delete>> handle;
    std::uint32_t inputRate = 0;
    std::uint32_t outputRate = 0;
    unsigned channels = 0;
};

SoundConverter::SoundConverter() = default;
SoundConverter::~SoundConverter() = default;

HRESULT SoundConverter::Reset(std::uint32_t inputRate, const WaveFormat& output)
{
    if (inputRate == 0 || !output.IsSupportedPcm())
        return SPERR_UNSUPPORTED_FORMAT;
    m_inputRate = inputRate;
    m_output = output;
    // Sound of mixed rates switches the converter back and forth: a resampler set aside while
    // the sound needs none is kept for the next time, as making one designs its filter anew.
    m_passThrough = inputRate == output.samplesPerSec && output.channels == 1;
    if (m_passThrough)
        return S_OK;
    if (m_resampler && m_resampler->inputRate == inputRate
        && m_resampler->outputRate == output.samplesPerSec
        && m_resampler->channels == output.channels) {
        // Same conversion: keep the filter, drop the last sound's history.
        return soxr_clear(m_resampler->handle.get()) ? E_FAIL : S_OK;
    }
    // Stereo reads the one mono buffer as both of its split channels, so soxr writes the voice
    // to the left and the right. No dither: speech into 16 bits needs none and files stay
    // reproducible.
    soxr_io_spec_t io = soxr_io_spec(output.channels == 2 ? SOXR_INT16_S : SOXR_INT16_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    auto resampler = std::make_unique<Resampler>();
    resampler->handle.reset(soxr_create(inputRate, output.samplesPerSec, output.channels, &error,
                                        &io, &quality, &runtime));
    if (!resampler->handle || error) {
        m_resampler.reset();
        return E_FAIL;
    }
    resampler->inputRate = inputRate;
    resampler->outputRate = output.samplesPerSec;
    resampler->channels = output.channels;
    m_resampler = std::move(resampler);
    return S_OK;
}

std::span<const std::int16_t> SoundConverter::Convert(std::span<const std::int16_t> input)
{
    // An empty vector's data() may be null, which soxr_process takes for the end of the sound.
    if (m_passThrough || !m_resampler || input.empty())
        return input;
    return Process(input.data(), input.size());
}

std::span<const std::int16_t> SoundConverter::Flush()
{
    if (m_passThrough || !m_resampler)
        return {};
    return Process(nullptr, 0);
}

std::span<const std::int16_t> SoundConverter::Process(const std::int16_t* input, std::size_t frames)
{
    const std::size_t channels = m_output.channels;
    const double ratio = static_cast<double>(m_output.samplesPerSec) / m_inputRate;
    // At the end the resampler gives up its filter's delay: a few hundred frames at most.
    std::size_t room = static_cast<std::size_t>(std::ceil(frames * ratio)) + 1024;
    m_buffer.resize(room * channels);
    const void* split[2] = {input, input};
    const void* in = input && channels == 2 ? static_cast<const void*>(split) : input;
    std::size_t used = 0;
    std::size_t made = 0;
    for (;;) {
        std::size_t inDone = 0;
        std::size_t outDone = 0;
        if (soxr_process(m_resampler->handle.get(), in, input ? frames - used : 0, &inDone,
                         m_buffer.data() + made * channels, room - made, &outDone))
            return {};
        used += inDone;
        made += outDone;
        const bool full = made == room;
        // Input: until all is taken. End of sound: until the resampler has nothing left.
        if (input ? used == frames && !full : outDone == 0)
            break;
        if (full) {
            room *= 2;
            m_buffer.resize(room * channels);
        }
        if (input && channels == 2) {
            split[0] = split[1] = input + used;
        } else if (input) {
            in = input + used;
        }
    }
    return {m_buffer.data(), made * channels};
}

} // namespace speech
