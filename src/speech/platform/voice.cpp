#include "speech/platform/voice.h"

#include <chrono>
#include <vector>

#include <QCoreApplication>

#include "speech/platform/outputstream.h"
#include "speech/platform/soundconverter.h"
#include "speech/platform/speechplan.h"
#include "speech/platform/synthesiser.h"

namespace speech {

VoiceEvent::VoiceEvent(QEvent::Type type, VoiceEventId id, std::uint32_t streamNumber)
    : QEvent(type)
    , m_id(id)
    , m_streamNumber(streamNumber)
{
}

struct Voice::Request
{
    QString text;
    TokenPtr token;
    QByteArray chinese;  // reads a bilingual voice's Chinese; empty: its own
    int latinRate = 100;
    int hanRate = 100;
    std::shared_ptr<OutputStream> output;
    std::uint64_t generation = 0;
    std::uint32_t stream = 0;
    std::atomic<bool> failed = false;  // the output refused it: stop synthesising
    bool finished = false;             // these two under m_mutex
    HRESULT result = S_OK;
};

struct Voice::Piece
{
    enum class Kind {
        Begin,
        Sound,
        End,
    };
    Kind kind = Kind::Sound;
    std::shared_ptr<Request> request;
    std::uint32_t rate = 0;  // Sound: of the samples
    Script script = Script::Neutral;  // Sound: what the samples say; Neutral for pauses
    std::vector<std::int16_t> samples;
    std::vector<SynthesisEvent> events;
    HRESULT result = S_OK;  // End: how the synthesis went
};

// The render thread's own state between the pieces of one request.
struct RenderState
{
    std::shared_ptr<OutputStream> output;
    WaveFormat format;
    bool begun = false;
    HRESULT result = S_OK;
    std::uint32_t rate = 0;    // what the converter takes
    Script script = Script::Neutral;  // what the output was last told it is given
    SoundConverter converter;  // kept across requests: it reuses its filter
};

namespace {

// Readies `state` to write into its output: the output's format, a converter to it from sound
// at `rate`, and the output told that writing begins.
HRESULT OpenOutput(RenderState& state, std::uint32_t rate)
{
    HRESULT hr = SPERR_UNINITIALIZED;
    FormatId id = FormatId::Null;
    WaveFormat format;
    if (state.output)
        hr = state.output->GetFormat(id, format);
    if (Succeeded(hr) && id != FormatId::WaveFormatEx)
        hr = SPERR_UNSUPPORTED_FORMAT;
    state.format = format;
    state.rate = rate;
    if (Succeeded(hr))
        hr = state.converter.Reset(state.rate, format);
    if (Succeeded(hr))
        hr = state.output->BeginWriting();
    return hr;
}

// Writes `samples` at `rate`, which say `script`, in the output's format; the output is told
// where a part of another script begins.
HRESULT WriteSound(std::uint32_t rate, Script script, std::span<const std::int16_t> samples, RenderState& state)
{
    HRESULT hr = S_OK;
    if (rate != state.rate) {
        // Sound from another synthesiser: what the converter holds ends the last one's.
        if (const std::span<const std::int16_t> tail = state.converter.Flush(); !tail.empty())
            hr = state.output->Write(tail);
        if (Succeeded(hr))
            hr = state.converter.Reset(rate, state.format);
        state.rate = rate;
    }
    if (script != state.script) {
        state.output->BeginPart(script);
        state.script = script;
    }
    const std::span<const std::int16_t> sound =
        Succeeded(hr) ? state.converter.Convert(samples) : std::span<const std::int16_t>();
    if (Succeeded(hr) && !sound.empty())
        hr = state.output->Write(sound);
    return hr;
}

} // namespace

// Hands the synthesiser's sound to the render thread, and stops the synthesiser once the
// request went stale.
class Voice::Receiver final : public SoundReceiver
{
public:
    Receiver(Voice& voice, std::shared_ptr<Request> request)
        : m_voice(voice)
        , m_request(std::move(request))
    {
    }

    bool Receive(std::span<const std::int16_t> samples,
                 std::span<const SynthesisEvent> events) override
    {
        if (m_voice.IsStale(*m_request))
            return false;
        Append(samples.size(), samples.data(), events, m_script);
        return true;
    }

    void Silence(std::size_t samples) { Append(samples, nullptr, {}, Script::Neutral); }
    /// The rate of the sound of the steps from here on, and what they say.
    void SetStep(std::uint32_t rate, Script script)
    {
        m_rate = rate;
        m_script = script;
    }

private:
    void Append(std::size_t count, const std::int16_t* samples, std::span<const SynthesisEvent> events, Script script)
    {
        std::lock_guard lock(m_voice.m_mutex);
        std::deque<Piece>& pieces = m_voice.m_pieces;
        // While the render thread is busy, sound collects in one piece: fewer hand-overs.
        if (pieces.empty() || pieces.back().kind != Piece::Kind::Sound
            || pieces.back().request != m_request || pieces.back().rate != m_rate
            || pieces.back().script != script) {
            pieces.push_back({Piece::Kind::Sound, m_request, m_rate, script, {}, {}, S_OK});
        }
        Piece& piece = pieces.back();
        if (samples)
            piece.samples.insert(piece.samples.end(), samples, samples + count);
        else
            piece.samples.resize(piece.samples.size() + count, 0);
        piece.events.insert(piece.events.end(), events.begin(), events.end());
        // Waking the render thread for each of the synthesiser's small pieces costs more than
        // converting them; the first piece goes at once, so a preview starts without delay.
        if (m_voice.m_renderWaiting && (!m_handedOver || piece.samples.size() >= kHandOverSamples)) {
            m_handedOver = true;
            m_voice.m_piecesChanged.notify_one();
        }
    }

    static constexpr std::size_t kHandOverSamples = 8192;

    Voice& m_voice;
    std::shared_ptr<Request> m_request;
    std::uint32_t m_rate = 0;
    Script m_script = Script::Neutral;
    bool m_handedOver = false;
};

Voice::Voice(VoiceParts parts)
    : m_parts(std::move(parts))
    , m_token(m_parts.defaultToken)
{
    m_synthesisThread = std::thread(&Voice::SynthesisLoop, this);
    m_renderThread = std::thread(&Voice::RenderLoop, this);
}

Voice::~Voice()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        PurgeLocked();
    }
    m_requestsChanged.notify_all();
    m_piecesChanged.notify_all();
    m_synthesisThread.join();
    m_renderThread.join();
}

HRESULT Voice::SetInterest(std::uint64_t eventInterest, std::uint64_t queuedInterest)
{
    if ((eventInterest & kFlagCheck) != kFlagCheck || (queuedInterest & kFlagCheck) != kFlagCheck
        || (queuedInterest & ~eventInterest) != 0)
        return E_INVALIDARG;
    std::lock_guard lock(m_mutex);
    m_eventInterest = eventInterest;
    m_queuedInterest = queuedInterest;
    return S_OK;
}

HRESULT Voice::SetNotifyTarget(QObject* target, int eventType)
{
    if (target && (eventType < QEvent::User || eventType > QEvent::MaxUser))
        return E_INVALIDARG;
    std::lock_guard lock(m_mutex);
    m_notifyTarget = target;
    m_notifyType = eventType;
    return S_OK;
}

HRESULT Voice::GetVoice(TokenPtr& token) const
{
    std::lock_guard lock(m_mutex);
    token = m_token;
    return token ? S_OK : SPERR_NOT_FOUND;
}

HRESULT Voice::SetVoice(TokenPtr token)
{
    std::lock_guard lock(m_mutex);
    m_token = token ? std::move(token) : m_parts.defaultToken;
    return S_OK;
}

void Voice::SetChineseVoice(const QByteArray& voice)
{
    std::lock_guard lock(m_mutex);
    m_chinese = voice;
}

HRESULT Voice::SetRates(int latin, int han)
{
    if (latin < kMinRatePercent || latin > kMaxRatePercent || han < kMinRatePercent || han > kMaxRatePercent)
        return E_INVALIDARG;
    std::lock_guard lock(m_mutex);
    m_latinRate = latin;
    m_hanRate = han;
    return S_OK;
}

HRESULT Voice::Speak(const QString& text, std::uint32_t flags, std::uint32_t* streamNumber)
{
    if (streamNumber)
        *streamNumber = 0;
    if ((flags & ~(kSpeakAsync | kPurgeBeforeSpeak)) != 0)
        return E_INVALIDARG;
    auto request = std::make_shared<Request>();
    {
        std::lock_guard lock(m_mutex);
        if (flags & kPurgeBeforeSpeak)
            PurgeLocked();
        if (text.isEmpty())
            return S_OK;
        request->text = text;
        request->token = m_token;
        request->chinese = m_chinese;
        request->latinRate = m_latinRate;
        request->hanRate = m_hanRate;
        request->output = m_output ? m_output : m_parts.defaultOutput;
        request->generation = m_generation;
        request->stream = m_nextStream++;
        m_status.lastStreamQueued = request->stream;
        ++m_unfinished;
        m_requests.push_back(request);
    }
    m_requestsChanged.notify_one();
    if (streamNumber)
        *streamNumber = request->stream;
    if (flags & kSpeakAsync)
        return S_OK;
    std::unique_lock lock(m_mutex);
    m_doneChanged.wait(lock, [&] { return request->finished; });
    return request->result;
}

HRESULT Voice::WaitUntilDone(std::uint32_t milliseconds) const
{
    std::unique_lock lock(m_mutex);
    const auto done = [this] { return m_unfinished == 0; };
    if (milliseconds == kInfinite) {
        m_doneChanged.wait(lock, done);
        return S_OK;
    }
    return m_doneChanged.wait_for(lock, std::chrono::milliseconds(milliseconds), done) ? S_OK
                                                                                        : S_FALSE;
}

HRESULT Voice::GetStatus(Status& status) const
{
    std::lock_guard lock(m_mutex);
    status = m_status;
    status.running = m_unfinished > 0;
    return S_OK;
}

HRESULT Voice::GetOutputStream(std::shared_ptr<OutputStream>& output) const
{
    std::lock_guard lock(m_mutex);
    output = m_output ? m_output : m_parts.defaultOutput;
    return output ? S_OK : S_FALSE;
}

HRESULT Voice::SetOutput(std::shared_ptr<OutputStream> output, bool allowFormatChanges)
{
    std::lock_guard lock(m_mutex);
    m_output = std::move(output);
    m_allowFormatChanges = allowFormatChanges;
    return S_OK;
}

void Voice::PurgeLocked()
{
    // Requests of an older generation are stale: the synthesiser stops at its next piece of
    // sound, the render thread drops what is left of them.
    ++m_generation;
    for (const std::shared_ptr<Request>& request : m_requests)
        FinishLocked(*request, E_ABORT);
    m_requests.clear();
    if (m_rendering)
        m_rendering->Discard();
}

bool Voice::IsStale(const Request& request) const
{
    return request.generation != m_generation.load() || request.failed.load();
}

void Voice::FinishLocked(Request& request, HRESULT result)
{
    request.finished = true;
    request.result = result;
    // Pieces and threads may hold the request a little longer; the output must go now, so
    // that whoever handed it over is its last holder again (a file stream then cleans up).
    request.output.reset();
    --m_unfinished;
    if (request.stream >= m_status.lastStreamDone) {
        m_status.lastStreamDone = request.stream;
        m_status.lastResult = result;
    }
    m_doneChanged.notify_all();
}

void Voice::NotifyLocked(VoiceEventId id, std::uint32_t stream)
{
    if (!m_notifyTarget || (m_eventInterest & (1ULL << static_cast<int>(id))) == 0)
        return;
    // Under the mutex: once SetNotifyTarget has cleared the target, nothing more is posted.
    QCoreApplication::postEvent(m_notifyTarget,
                                new VoiceEvent(static_cast<QEvent::Type>(m_notifyType), id, stream));
}

void Voice::NotifyLocked(SynthesisEvent event, std::uint32_t stream)
{
    switch (event) {
    case SynthesisEvent::Word:
        NotifyLocked(VoiceEventId::WordBoundary, stream);
        break;
    case SynthesisEvent::Sentence:
        NotifyLocked(VoiceEventId::SentenceBoundary, stream);
        break;
    case SynthesisEvent::Phoneme:
        NotifyLocked(VoiceEventId::Phoneme, stream);
        NotifyLocked(VoiceEventId::Viseme, stream);
        break;
    }
}

void Voice::SynthesisLoop()
{
    for (;;) {
        std::shared_ptr<Request> request;
        {
            std::unique_lock lock(m_mutex);
            m_requestsChanged.wait(lock, [this] { return m_stopping || !m_requests.empty(); });
            if (m_stopping)
                return;
            request = m_requests.front();
            m_requests.pop_front();
            // The render thread opens the output while the first sound is being made.
            m_pieces.push_back({Piece::Kind::Begin, request, 0, Script::Neutral, {}, {}, S_OK});
            if (m_renderWaiting)
                m_piecesChanged.notify_one();
        }
        HRESULT result = S_OK;
        if (!IsStale(*request)) {
            std::vector<SpeechStep> steps =
                PlanSpeech(request->text, VoiceChoice::Of(request->token.get(), request->chinese));
            Receiver receiver(*this, request);
            for (SpeechStep& step : steps) {
                if (IsStale(*request))
                    break;
                step.ratePercent = step.script == Script::Han ? request->hanRate : request->latinRate;
                const std::uint32_t rate = m_parts.synthesiser->SampleRateOf(step.voice);
                receiver.SetStep(rate, step.script);
                result = m_parts.synthesiser->Speak(step, receiver);
                if (Failed(result))
                    break;
                if (step.pauseAfterMs > 0)
                    receiver.Silence(static_cast<std::size_t>(rate) * step.pauseAfterMs / 1000);
            }
            m_parts.synthesiser->EndOfText();
        }
        std::lock_guard lock(m_mutex);
        m_pieces.push_back({Piece::Kind::End, request, 0, Script::Neutral, {}, {}, result});
        if (m_renderWaiting)
            m_piecesChanged.notify_one();
    }
}

void Voice::RenderLoop()
{
    RenderState state;
    std::deque<Piece> pieces;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_renderWaiting = true;
            m_piecesChanged.wait(lock, [this] { return m_stopping || !m_pieces.empty(); });
            m_renderWaiting = false;
            if (m_stopping)
                break;
            pieces.swap(m_pieces);
        }
        for (Piece& piece : pieces)
            Render(piece, state);
        pieces.clear();
    }
    // Stopped mid-utterance: the output was discarded; let it close its device.
    if (state.begun)
        state.output->EndWriting();
}

void Voice::Render(Piece& piece, RenderState& state)
{
    switch (piece.kind) {
    case Piece::Kind::Begin:
        BeginRendering(*piece.request, state);
        return;
    case Piece::Kind::Sound:
        RenderSound(piece, state);
        return;
    case Piece::Kind::End:
        EndRendering(*piece.request, piece.result, state);
        return;
    }
}

void Voice::BeginRendering(Request& request, RenderState& state)
{
    state.output = request.output;
    state.begun = false;
    state.result = S_OK;
    state.script = Script::Neutral;
    {
        std::lock_guard lock(m_mutex);
        if (IsStale(request))
            return;
        m_rendering = state.output;
    }
    if (const HRESULT hr = OpenOutput(state, m_parts.synthesiser->SampleRate()); Failed(hr)) {
        state.result = hr;
        request.failed = true;
        return;
    }
    state.begun = true;
    std::lock_guard lock(m_mutex);
    NotifyLocked(VoiceEventId::StartInputStream, request.stream);
}

void Voice::RenderSound(const Piece& piece, RenderState& state)
{
    Request& request = *piece.request;
    if (!state.begun || IsStale(request))
        return;
    if (const HRESULT hr = WriteSound(piece.rate, piece.script, piece.samples, state); Failed(hr)) {
        state.result = hr;
        request.failed = true;
        return;
    }
    if (piece.events.empty())
        return;
    std::lock_guard lock(m_mutex);
    for (const SynthesisEvent event : piece.events)
        NotifyLocked(event, request.stream);
}

void Voice::EndRendering(Request& request, HRESULT synthesised, RenderState& state)
{
    HRESULT result = Failed(state.result) ? state.result : synthesised;
    if (state.begun) {
        if (Succeeded(result) && !IsStale(request)) {
            const std::span<const std::int16_t> tail = state.converter.Flush();
            if (!tail.empty())
                result = state.output->Write(tail);
        }
        // After a purge this returns at once.
        const HRESULT end = state.output->EndWriting();
        if (Succeeded(result))
            result = end;
    }
    std::lock_guard lock(m_mutex);
    if (request.generation != m_generation.load())
        result = E_ABORT;
    if (state.begun)
        NotifyLocked(VoiceEventId::EndInputStream, request.stream);
    m_rendering.reset();
    state.output.reset();
    state.begun = false;
    FinishLocked(request, result);
}

} // namespace speech
