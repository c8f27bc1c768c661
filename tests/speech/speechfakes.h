#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include <QByteArray>
#include <QString>

#include "speech/platform/filestream.h"
#include "speech/platform/platform.h"
#include "speech/platform/soundsink.h"
#include "speech/platform/synthesiser.h"
#include "speech/platform/voice.h"
#include "speech/platform/waveformat.h"

/// Every sample a synthesiser gives, kept.
struct CollectedSound final : speech::SoundReceiver
{
    std::vector<std::int16_t> samples;
    bool Receive(std::span<const std::int16_t> s, std::span<const speech::SynthesisEvent>) override
    {
        samples.insert(samples.end(), s.begin(), s.end());
        return true;
    }
};

/// What the recording sinks of one test received, one session per Open.
class SoundRecorder
{
public:
    struct Session
    {
        speech::WaveFormat format;
        QByteArray bytes;
        bool drained = false;
        bool discarded = false;
    };

    /// Writes of the `session`-th Open (from 0) block, as on a full device, until discarded.
    void HoldWritesIn(int session);
    /// Waits until the `session`-th Open has been written to; false after 10 s.
    bool WaitForSound(int session);
    std::vector<Session> Sessions() const;

private:
    friend class RecordingSink;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Session> m_sessions;
    int m_held = -1;
};

/// A sound device that keeps what it is given.
class RecordingSink final : public speech::SoundSink
{
public:
    explicit RecordingSink(std::shared_ptr<SoundRecorder> recorder);

    Result<void> Open(const speech::WaveFormat& format) override;
    HRESULT Write(std::span<const std::byte> bytes) override;
    HRESULT Drain() override;
    void Close() override;
    void Discard() override;

private:
    std::shared_ptr<SoundRecorder> m_recorder;
    int m_session = -1;
};

/// A real file stream (temporary file and all) whose writes fail after the first `goodWrites`,
/// as on a full disk.
class FailingFileStream final : public speech::FileStream
{
public:
    explicit FailingFileStream(int goodWrites);

protected:
    HRESULT WriteFrames(std::span<const std::int16_t> samples) override;

private:
    int m_goodWrites;
};

/// The real platform with recording sinks, and with single pieces made to fail on request.
class TestPlatform final : public speech::Platform
{
public:
    enum class VoiceFault {
        None,
        NoVoice,        // CreateVoice fails
        Interest,       // SetInterest fails
        NotifyTarget,   // SetNotifyTarget fails
        NoOutput,       // the voice has no default output
    };

    std::shared_ptr<SoundRecorder> recorder = std::make_shared<SoundRecorder>();
    bool failStart = false;
    VoiceFault voiceFault = VoiceFault::None;
    int notifyTargetCalls = 0;
    std::function<std::shared_ptr<speech::FileStream>()> fileStreams;

    HRESULT Start() override;
    HRESULT CreateVoice(std::unique_ptr<speech::Voice>& voice) override;
    HRESULT CreateFileStream(std::shared_ptr<speech::FileStream>& stream) override;

protected:
    std::unique_ptr<speech::SoundSink> CreateSoundSink() override;
};

/// The mono 16-bit samples the platform's synthesiser makes for `text` spoken with its default
/// voice, pauses included, at the synthesiser's SampleRate(): what a voice hands its output,
/// converted to one rate.
/// `text` synthesised straight into memory with `voice`, or the platform's default voice.
std::vector<std::int16_t> SynthesiseDirectly(speech::Platform& platform, const QString& text,
                                             const speech::ObjectToken* voice = nullptr);
