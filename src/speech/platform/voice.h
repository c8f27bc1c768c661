#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include <QEvent>
#include <QString>

#include "speech/platform/objecttoken.h"
#include "speech/platform/result.h"
#include "speech/platform/synthesiser.h"

class QObject;

namespace speech {

class OutputStream;
class Synthesiser;
struct RenderState;

/// Events a voice reports, numbered as its interest bits: event n is bit n.
enum class VoiceEventId : int {
    StartInputStream = 1,
    EndInputStream = 2,
    WordBoundary = 5,
    Phoneme = 6,
    SentenceBoundary = 7,
    Viseme = 8,  // with each phoneme; this platform has no mouth shapes to tell apart
};

/// Posted to a voice's notification target for each event of interest.
class VoiceEvent final : public QEvent
{
public:
    VoiceEvent(QEvent::Type type, VoiceEventId id, std::uint32_t streamNumber);

    VoiceEventId id() const { return m_id; }
    std::uint32_t streamNumber() const { return m_streamNumber; }

private:
    VoiceEventId m_id;
    std::uint32_t m_streamNumber;
};

/// What a voice is made of; the platform supplies it (see Platform::GetVoiceParts).
struct VoiceParts
{
    std::shared_ptr<Synthesiser> synthesiser;
    std::shared_ptr<OutputStream> defaultOutput;  // the sound device; may be null
    TokenPtr defaultToken;                        // the voice spoken with before any SetVoice
};

/// A speaking voice. Speak queues texts; a synthesis thread turns each into sound with the
/// synthesiser, split into steps by script (see PlanSpeech), and a render thread converts the
/// sound to the output's format and writes it there, so the next piece is synthesised while
/// the last one is written. Each text goes to the output and in the voice that were current
/// when it was queued.
class Voice
{
public:
    static constexpr std::uint32_t kSpeakAsync = 1;
    static constexpr std::uint32_t kPurgeBeforeSpeak = 2;
    static constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
    /// Interest masks must hold these two reserved bits (30 and 33), as a check that the
    /// caller built them for this event numbering.
    static constexpr std::uint64_t kFlagCheck = (1ULL << 30) | (1ULL << 33);

    struct Status
    {
        std::uint32_t lastStreamQueued = 0;
        std::uint32_t lastStreamDone = 0;
        HRESULT lastResult = S_OK;  // of the last stream done: S_OK when rendered to its end,
                                    // E_ABORT when purged, else the failure that stopped it
        bool running = false;       // something is queued or sounding
    };

    explicit Voice(VoiceParts parts);
    /// Purges and stops the voice's threads.
    virtual ~Voice();
    Voice(const Voice&) = delete;
    Voice& operator=(const Voice&) = delete;

    /// Which events notify and which are queued (the queued ones must be among the notifying
    /// ones). E_INVALIDARG without kFlagCheck in both.
    virtual HRESULT SetInterest(std::uint64_t eventInterest, std::uint64_t queuedInterest);
    /// Posts a VoiceEvent of `eventType` (a user event type, QEvent::User to QEvent::MaxUser)
    /// to `target` for each event of interest; a null target stops the notifications. The
    /// target must outlive the voice or be unset first.
    virtual HRESULT SetNotifyTarget(QObject* target, int eventType);

    /// The token of the current voice (a new voice speaks with the default token).
    HRESULT GetVoice(TokenPtr& token) const;
    /// Speaks later texts with `token`'s voice; null selects the default voice.
    HRESULT SetVoice(TokenPtr token);

    /// Later texts of a bilingual voice say their Chinese with the synthesiser's voice `voice`
    /// (VoiceChoice::Of); empty: with the voice's own Mandarin.
    void SetChineseVoice(const QByteArray& voice);

    /// Speaks later texts at these rates, in percent of the engines' usual tempo (kMinRatePercent
    /// to kMaxRatePercent): `latin` for the English steps, `han` for the Chinese ones.
    HRESULT SetRates(int latin, int han);

    /// kPurgeBeforeSpeak first discards everything queued or sounding. A null or empty text
    /// then queues nothing. With kSpeakAsync the call returns once the text is queued, else
    /// when it has been rendered, with its result.
    HRESULT Speak(const QString& text, std::uint32_t flags, std::uint32_t* streamNumber = nullptr);
    /// S_OK once everything queued is rendered; S_FALSE when `milliseconds` passed first.
    HRESULT WaitUntilDone(std::uint32_t milliseconds) const;
    HRESULT GetStatus(Status& status) const;

    /// The current output: the one set, else the default device. S_FALSE with none at all.
    HRESULT GetOutputStream(std::shared_ptr<OutputStream>& output) const;
    /// Speaks later texts into `output`; null puts the voice back on the default device.
    /// `allowFormatChanges` is kept: the voice converts to any output's format, so it never
    /// needs to change one.
    HRESULT SetOutput(std::shared_ptr<OutputStream> output, bool allowFormatChanges);

private:
    struct Request;
    struct Piece;
    class Receiver;

    void SynthesisLoop();
    void RenderLoop();
    void Render(Piece& piece, RenderState& state);
    void BeginRendering(Request& request, RenderState& state);
    void RenderSound(const Piece& piece, RenderState& state);
    void EndRendering(Request& request, HRESULT synthesised, RenderState& state);
    bool IsStale(const Request& request) const;
    // With m_mutex held:
    void PurgeLocked();
    void FinishLocked(Request& request, HRESULT result);
    void NotifyLocked(VoiceEventId id, std::uint32_t stream);
    void NotifyLocked(SynthesisEvent event, std::uint32_t stream);  // the events it stands for

    const VoiceParts m_parts;

    mutable std::mutex m_mutex;
    std::condition_variable m_requestsChanged;
    std::condition_variable m_piecesChanged;
    mutable std::condition_variable m_doneChanged;

    TokenPtr m_token;
    QByteArray m_chinese;
    int m_latinRate = 100;
    int m_hanRate = 100;
    std::shared_ptr<OutputStream> m_output;
    bool m_allowFormatChanges = false;
    std::uint64_t m_eventInterest = 0;
    std::uint64_t m_queuedInterest = 0;
    QObject* m_notifyTarget = nullptr;
    int m_notifyType = 0;

    std::deque<std::shared_ptr<Request>> m_requests;  // queued, not yet synthesised
    std::deque<Piece> m_pieces;                       // synthesised, not yet rendered
    std::shared_ptr<OutputStream> m_rendering;        // being written; a purge discards it
    std::atomic<std::uint64_t> m_generation = 0;      // a purge makes older requests stale
    std::uint32_t m_nextStream = 1;
    int m_unfinished = 0;
    Status m_status;
    bool m_renderWaiting = false;
    bool m_stopping = false;

    std::thread m_synthesisThread;
    std::thread m_renderThread;
};

} // namespace speech
