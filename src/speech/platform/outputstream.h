#pragma once

#include <cstdint>
#include <span>

#include "speech/platform/result.h"
#include "speech/platform/synthesiser.h"
#include "speech/platform/waveformat.h"

namespace speech {

/// Anything a voice can speak into: the sound device (AudioOutput) or a WAV file (FileStream).
///
/// A voice renders one utterance at a time on its render thread: BeginWriting, any number of
/// Write calls, then EndWriting. Discard may come from any thread at any moment; it makes a
/// Write or EndWriting that is waiting for the device return at once and drops the sound that
/// was not heard yet. The next BeginWriting starts afresh.
class OutputStream
{
public:
    virtual ~OutputStream();

    /// The stream's format identifier and wave format. Streams without a wave format give
    /// FormatId::Null or FormatId::Text and leave `format` as it was.
    virtual HRESULT GetFormat(FormatId& id, WaveFormat& format) const = 0;

    virtual HRESULT BeginWriting() = 0;
    /// `samples` are 16-bit, interleaved, at the stream's rate and channel count; the stream
    /// narrows them to its own sample width. May block while the device is busy.
    virtual HRESULT Write(std::span<const std::int16_t> samples) = 0;
    /// The sound written from here on says `script` (Neutral: a pause); a file that levels its
    /// English and Chinese parts needs it, the device does not.
    virtual void BeginPart(Script script);
    /// The utterance is complete: the sound device plays out what it holds.
    virtual HRESULT EndWriting() = 0;
    virtual void Discard() = 0;

protected:
    OutputStream() = default;
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;
};

} // namespace speech
