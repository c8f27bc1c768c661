#include "speech/platform/soundsink.h"

#include <algorithm>
#include <atomic>

#include <pulse/pulseaudio.h>

#include "base/cfree.h"
#include "speech/platform/waveformat.h"

namespace speech {
namespace {

// What the server buffers ahead of the speaker. Discard flushes it, so it costs no delay.
constexpr pa_usec_t kBufferUsec = 200 * 1000;

void FreeContext(pa_context* context)
{
    pa_context_disconnect(context);
    pa_context_unref(context);
}

void FreeStream(pa_stream* stream)
{
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

using MainLoop = std::unique_ptr<pa_threaded_mainloop, CFree<&pa_threaded_mainloop_free>>;
using Context = std::unique_ptr<pa_context, CFree<&FreeContext>>;
using Stream = std::unique_ptr<pa_stream, CFree<&FreeStream>>;
using Operation = std::unique_ptr<pa_operation, CFree<&pa_operation_unref>>;

class LoopLock
{
public:
    explicit LoopLock(pa_threaded_mainloop* loop)
        : m_loop(loop)
    {
        pa_threaded_mainloop_lock(m_loop);
    }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
};

// The server's own words for what it refused go into the table's message as its subject.
ComError Refused(int error)
{
    return ComError(ResultCode::SoundServerRefused, QString::fromUtf8(pa_strerror(error)));
}

// Plays through the sound server with the asynchronous API on its own event thread, so that
// Discard can flush and wake a waiting Write from another thread at any time.
class PulseSink final : public SoundSink
{
public:
    PulseSink();
    ~PulseSink() override;

    Result<void> Open(const WaveFormat& format) override;
    HRESULT Write(std::span<const std::byte> bytes) override;
    HRESULT Drain() override;
    void Close() override;
    void Discard() override;

private:
    Result<void> ConnectLocked();
    bool StreamFailedLocked() const;
    void Wake() { pa_threaded_mainloop_signal(m_loop.get(), 0); }

    static void OnContextState(pa_context*, void* self) { static_cast<PulseSink*>(self)->Wake(); }
    static void OnStreamState(pa_stream*, void* self) { static_cast<PulseSink*>(self)->Wake(); }
    static void OnWritable(pa_stream*, size_t, void* self) { static_cast<PulseSink*>(self)->Wake(); }
    static void OnDrained(pa_stream*, int, void* self) { static_cast<PulseSink*>(self)->Wake(); }

    MainLoop m_loop;  // set once in the constructor: Discard may read it from any thread
    Context m_context;
    Stream m_stream;
    std::size_t m_frameBytes = 1;
    std::atomic<bool> m_discarding = false;
};

PulseSink::PulseSink()
    : m_loop(pa_threaded_mainloop_new())
{
    if (m_loop && pa_threaded_mainloop_start(m_loop.get()) < 0)
        m_loop.reset();
}

PulseSink::~PulseSink()
{
    // With the event thread stopped, the stream and context go without the lock.
    if (m_loop)
        pa_threaded_mainloop_stop(m_loop.get());
    m_stream.reset();
    m_context.reset();
}

Result<void> PulseSink::ConnectLocked()
{
    if (m_context && pa_context_get_state(m_context.get()) == PA_CONTEXT_READY)
        return {};
    m_stream.reset();
    m_context.reset();
    Context context(pa_context_new(pa_threaded_mainloop_get_api(m_loop.get()), "Lexovox"));
    if (!context)
        return Fail(ComError(ResultCode::SoundConnectionFailed));
    pa_context_set_state_callback(context.get(), &PulseSink::OnContextState, this);
    // NOAUTOSPAWN: a program that only speaks words must not start a sound server.
    if (pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return Fail(Refused(pa_context_errno(context.get())));
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context.get());
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state))
            return Fail(Refused(pa_context_errno(context.get())));
        pa_threaded_mainloop_wait(m_loop.get());
    }
    m_context = std::move(context);
    return {};
}

bool PulseSink::StreamFailedLocked() const
{
    return !m_stream || pa_stream_get_state(m_stream.get()) != PA_STREAM_READY;
}

Result<void> PulseSink::Open(const WaveFormat& format)
{
    if (!m_loop)
        return Fail(ComError(ResultCode::SoundClientFailed));
    LoopLock lock(m_loop.get());
    m_discarding = false;
    m_stream.reset();
    if (Result<void> connected = ConnectLocked(); !connected)
        return connected;

    const pa_sample_spec spec{format.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16NE,
                              format.samplesPerSec, static_cast<std::uint8_t>(format.channels)};
    Stream stream(pa_stream_new(m_context.get(), "Speech", &spec, nullptr));
    if (!stream)
        return Fail(Refused(pa_context_errno(m_context.get())));
    pa_stream_set_state_callback(stream.get(), &PulseSink::OnStreamState, this);
    pa_stream_set_write_callback(stream.get(), &PulseSink::OnWritable, this);
    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kBufferUsec, &spec));
    attributes.prebuf = static_cast<std::uint32_t>(-1);
    attributes.minreq = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(-1);
    if (pa_stream_connect_playback(stream.get(), nullptr, &attributes, PA_STREAM_ADJUST_LATENCY,
                                   nullptr, nullptr)
        < 0)
        return Fail(Refused(pa_context_errno(m_context.get())));
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(stream.get());
        if (state == PA_STREAM_READY)
            break;
        if (!PA_STREAM_IS_GOOD(state))
            return Fail(Refused(pa_context_errno(m_context.get())));
        pa_threaded_mainloop_wait(m_loop.get());
    }
    m_stream = std::move(stream);
    m_frameBytes = pa_frame_size(&spec);
    return {};
}

HRESULT PulseSink::Write(std::span<const std::byte> bytes)
{
    LoopLock lock(m_loop.get());
    while (!bytes.empty()) {
        if (m_discarding)
            return E_ABORT;
        if (StreamFailedLocked())
            return SPERR_AUDIO_STOPPED;
        std::size_t room = pa_stream_writable_size(m_stream.get());
        if (room == static_cast<std::size_t>(-1))
            return SPERR_AUDIO_STOPPED;
        room -= room % m_frameBytes;
        if (room == 0) {
            pa_threaded_mainloop_wait(m_loop.get());
            continue;
        }
        const std::size_t n = std::min(room, bytes.size());
        if (pa_stream_write(m_stream.get(), bytes.data(), n, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return SPERR_AUDIO_STOPPED;
        bytes = bytes.subspan(n);
    }
    return S_OK;
}

HRESULT PulseSink::Drain()
{
    LoopLock lock(m_loop.get());
    if (StreamFailedLocked())
        return SPERR_AUDIO_STOPPED;
    const Operation drain(pa_stream_drain(m_stream.get(), &PulseSink::OnDrained, this));
    if (!drain)
        return SPERR_AUDIO_STOPPED;
    while (pa_operation_get_state(drain.get()) == PA_OPERATION_RUNNING) {
        if (m_discarding) {
            pa_operation_cancel(drain.get());
            return E_ABORT;
        }
        if (StreamFailedLocked())
            return SPERR_AUDIO_STOPPED;
        pa_threaded_mainloop_wait(m_loop.get());
    }
    return S_OK;
}

void PulseSink::Close()
{
    if (!m_loop)
        return;
    LoopLock lock(m_loop.get());
    m_stream.reset();
}

void PulseSink::Discard()
{
    m_discarding = true;
    if (!m_loop)
        return;
    LoopLock lock(m_loop.get());
    if (!StreamFailedLocked())
        const Operation flush(pa_stream_flush(m_stream.get(), nullptr, nullptr));
    Wake();
}

} // namespace

std::unique_ptr<SoundSink> CreatePulseSink()
{
    return std::make_unique<PulseSink>();
}

} // namespace speech
