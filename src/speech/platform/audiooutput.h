#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "speech/platform/outputstream.h"

namespace speech {

class SoundSink;

/// The sound device as a voice output. It renders in the format last set (at first the default
/// 22,050 Hz, 16-bit mono). When the sink cannot reach a device the output still exists and
/// keeps its format, and what is spoken into it is dropped: speech is silent, files are not
/// affected. That is said once per process on stderr.
class AudioOutput final : public OutputStream
{
public:
    explicit AudioOutput(std::unique_ptr<SoundSink> sink);
    ~AudioOutput() override;

    HRESULT GetFormat(FormatId& id, WaveFormat& format) const override;
    /// The format of the utterances that start after this call. SPERR_UNSUPPORTED_FORMAT for
    /// anything but a wave-format PCM record the device can play (see IsSupportedPcm).
    HRESULT SetFormat(FormatId id, const WaveFormat& format);

    HRESULT BeginWriting() override;
    HRESULT Write(std::span<const std::int16_t> samples) override;
    HRESULT EndWriting() override;
    void Discard() override;

private:
    mutable std::mutex m_formatMutex;
    WaveFormat m_format;

    // The render thread's own: the format the sink was opened in, or silence.
    std::unique_ptr<SoundSink> m_sink;
    WaveFormat m_writingFormat;
    bool m_open = false;
    std::vector<std::byte> m_narrow;
};

} // namespace speech
