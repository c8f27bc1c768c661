#pragma once

#include <cstddef>
#include <memory>
#include <span>

#include <QString>

#include "base/comerror.h"
#include "speech/platform/result.h"

namespace speech {

struct WaveFormat;

/// The sound device behind an AudioOutput. The real one plays through the sound server; tests
/// put a recording one in its place.
///
/// Open, Write, Drain and Close come from one thread (a voice's render thread); Discard may
/// come from any thread and makes a waiting Write or Drain return at once.
class SoundSink
{
public:
    virtual ~SoundSink();

    /// Starts a stream in `format` (PCM, 8-bit unsigned or 16-bit signed, 1 or 2 channels).
    /// Fails when no device can be reached, saying why in the message table's words.
    virtual Result<void> Open(const WaveFormat& format) = 0;
    /// Bytes in the opened format. Blocks while the device's buffer is full.
    virtual HRESULT Write(std::span<const std::byte> bytes) = 0;
    /// Blocks until what was written has been played.
    virtual HRESULT Drain() = 0;
    virtual void Close() = 0;
    /// Drops what was written and not yet heard.
    virtual void Discard() = 0;

protected:
    SoundSink() = default;
    SoundSink(const SoundSink&) = delete;
    SoundSink& operator=(const SoundSink&) = delete;
};

/// A sink on the sound server named by the environment (PULSE_SERVER, else the user's session
/// server). It connects when first opened and again after a failure; it never starts a server.
std::unique_ptr<SoundSink> CreatePulseSink();

} // namespace speech
