#include "speechfakes.h"

#include <chrono>

#include "speech/platform/soundconverter.h"
#include "speech/platform/speechplan.h"
#include "speech/platform/synthesiser.h"

using namespace speech;

void SoundRecorder::HoldWritesIn(int session)
{
    std::lock_guard lock(m_mutex);
    m_held = session;
}

bool SoundRecorder::WaitForSound(int session)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::seconds(60), [&] {
        return static_cast<int>(m_sessions.size()) > session
            && !m_sessions[static_cast<std::size_t>(session)].bytes.isEmpty();
    });
}

std::vector<SoundRecorder::Session> SoundRecorder::Sessions() const
{
    std::lock_guard lock(m_mutex);
    return m_sessions;
}

RecordingSink::RecordingSink(std::shared_ptr<SoundRecorder> recorder)
    : m_recorder(std::move(recorder))
{
}

Result<void> RecordingSink::Open(const WaveFormat& format)
{
    std::lock_guard lock(m_recorder->m_mutex);
    m_recorder->m_sessions.push_back({format, {}, false, false});
    m_session = static_cast<int>(m_recorder->m_sessions.size()) - 1;
    return {};
}

HRESULT RecordingSink::Write(std::span<const std::byte> bytes)
{
    std::unique_lock lock(m_recorder->m_mutex);
    SoundRecorder::Session& session = m_recorder->m_sessions[static_cast<std::size_t>(m_session)];
    if (session.discarded)
        return E_ABORT;
    session.bytes.append(reinterpret_cast<const char*>(bytes.data()),
                         static_cast<qsizetype>(bytes.size()));
    m_recorder->m_changed.notify_all();
    if (m_recorder->m_held == m_session)
        m_recorder->m_changed.wait(lock, [&] { return session.discarded; });
    return S_OK;
}

HRESULT RecordingSink::Drain()
{
    std::lock_guard lock(m_recorder->m_mutex);
    SoundRecorder::Session& session = m_recorder->m_sessions[static_cast<std::size_t>(m_session)];
    if (session.discarded)
        return E_ABORT;
    session.drained = true;
    return S_OK;
}

void RecordingSink::Close()
{
    m_session = -1;
}

void RecordingSink::Discard()
{
    std::lock_guard lock(m_recorder->m_mutex);
    if (m_session >= 0)
        m_recorder->m_sessions[static_cast<std::size_t>(m_session)].discarded = true;
    m_recorder->m_changed.notify_all();
}

FailingFileStream::FailingFileStream(int goodWrites)
    : m_goodWrites(goodWrites)
{
}

HRESULT FailingFileStream::WriteFrames(std::span<const std::int16_t> samples)
{
    if (m_goodWrites-- <= 0)
        return STG_E_MEDIUMFULL;
    return FileStream::WriteFrames(samples);
}

namespace {

class FaultyVoice final : public Voice
{
public:
    FaultyVoice(VoiceParts parts, TestPlatform& platform)
        : Voice(std::move(parts))
        , m_platform(platform)
    {
    }

    HRESULT SetInterest(std::uint64_t events, std::uint64_t queued) override
    {
        if (m_platform.voiceFault == TestPlatform::VoiceFault::Interest)
            return E_FAIL;
        return Voice::SetInterest(events, queued);
    }

    HRESULT SetNotifyTarget(QObject* target, int type) override
    {
        ++m_platform.notifyTargetCalls;
        if (m_platform.voiceFault == TestPlatform::VoiceFault::NotifyTarget)
            return E_FAIL;
        return Voice::SetNotifyTarget(target, type);
    }

private:
    TestPlatform& m_platform;
};

} // namespace

HRESULT TestPlatform::Start()
{
    return failStart ? E_FAIL : Platform::Start();
}

HRESULT TestPlatform::CreateVoice(std::unique_ptr<Voice>& voice)
{
    if (voiceFault == VoiceFault::NoVoice)
        return E_OUTOFMEMORY;
    VoiceParts parts;
    if (const HRESULT hr = GetVoiceParts(parts); Failed(hr))
        return hr;
    if (voiceFault == VoiceFault::NoOutput)
        parts.defaultOutput.reset();
    voice = std::make_unique<FaultyVoice>(std::move(parts), *this);
    return S_OK;
}

HRESULT TestPlatform::CreateFileStream(std::shared_ptr<FileStream>& stream)
{
    if (!fileStreams)
        return Platform::CreateFileStream(stream);
    stream = fileStreams();
    return S_OK;
}

std::unique_ptr<SoundSink> TestPlatform::CreateSoundSink()
{
    return std::make_unique<RecordingSink>(recorder);
}

namespace {

class Collector final : public SoundReceiver
{
public:
    explicit Collector(std::vector<std::int16_t>& samples)
        : m_samples(samples)
    {
    }
    bool Receive(std::span<const std::int16_t> samples, std::span<const SynthesisEvent>) override
    {
        m_samples.insert(m_samples.end(), samples.begin(), samples.end());
        return true;
    }

private:
    std::vector<std::int16_t>& m_samples;
};

} // namespace

std::vector<std::int16_t> SynthesiseDirectly(Platform& platform, const QString& text, const ObjectToken* voice)
{
    VoiceParts parts;
    platform.GetVoiceParts(parts);
    Synthesiser& synthesiser = *parts.synthesiser;
    std::vector<std::int16_t> samples;
    Collector collector(samples);
    SoundConverter converter;
    for (const SpeechStep& step : PlanSpeech(text, VoiceChoice::Of(voice ? voice : parts.defaultToken.get()))) {
        // Each step at its own synthesiser's rate, brought to the one rate of the result.
        std::vector<std::int16_t> own;
        Collector ownCollector(own);
        synthesiser.Speak(step, ownCollector);
        own.resize(own.size() + synthesiser.SampleRateOf(step.voice) * step.pauseAfterMs / 1000, 0);
        converter.Reset(synthesiser.SampleRateOf(step.voice), WaveFormat::Pcm(synthesiser.SampleRate(), 16, 1));
        const std::span<const std::int16_t> converted = converter.Convert(own);
        samples.insert(samples.end(), converted.begin(), converted.end());
        const std::span<const std::int16_t> tail = converter.Flush();
        samples.insert(samples.end(), tail.begin(), tail.end());
    }
    return samples;
}
