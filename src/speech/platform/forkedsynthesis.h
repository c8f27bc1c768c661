#pragma once

#include <functional>
#include <string>

#include <sys/types.h>

#include "speech/platform/synthesiser.h"

namespace speech {

/// Synthesis that always starts from one state of a library that keeps state from call to call.
/// The first Run forks a still copy of this process, which waits for requests; for each one the
/// copy runs `prepare` (load a voice: that stays in the copy), then forks a child that runs
/// `synthesise` and sends the sound, events and text back through a pipe. So each synthesis
/// starts from the state this process had at the first Run plus what `prepare` has done, never
/// from what a synthesis before it left, and this process, which no longer forks, keeps its
/// memory to itself (a fork makes every page it then writes fault once). With
/// Children::PerText one child takes every request until EndText, preparing each itself: the
/// steps of one text then start from the state the text's first step left, which depends on the
/// text alone, and a text costs one fork. The copy and its children run only one thread and end
/// with _exit: the callables must not need other threads, locks those may hold, or Qt. Not
/// thread-safe: the caller serialises Run and EndText.
class ForkedSynthesis
{
public:
    /// In the copy, before each fork; a failure is the request's result.
    using Prepare = std::function<HRESULT(const std::string& request)>;
    /// In each child: speak `request` into `receiver`, leaving any text (a phoneme trace) in `text`.
    using Synthesise = std::function<HRESULT(const std::string& request, SoundReceiver& receiver, std::string& text)>;

    enum class Children {
        PerRequest,
        PerText,
    };

    ForkedSynthesis(Prepare prepare, Synthesise synthesise, Children children = Children::PerRequest);
    /// Ends the copy.
    ~ForkedSynthesis();
    ForkedSynthesis(const ForkedSynthesis&) = delete;
    ForkedSynthesis& operator=(const ForkedSynthesis&) = delete;

    /// Speaks `request` into `receiver`, and its text into `text` when not null. Returns what
    /// `prepare` or `synthesise` returned, S_OK when `receiver` stopped it (the child is then
    /// killed), or SPERR_TTS_ENGINE_EXCEPTION when the child or the copy died or could not be
    /// started; a copy that died is forked anew at the next Run.
    HRESULT Run(const std::string& request, SoundReceiver& receiver, std::string* text = nullptr);

    /// With Children::PerText: the child of the text so far ends; the next Run forks a new one.
    void EndText();

    /// The still copy's process, or 0 before the first Run (for tests).
    pid_t CopyProcess() const { return m_copy; }

private:
    bool StartCopy();
    void EndCopy();
    /// Writes to the copy; false, with the copy ended, when it is gone.
    bool Ask(const void* data, std::size_t size);
    /// Until the child's End frame, or the copy's Reaped frame.
    HRESULT ReadAnswers(SoundReceiver& receiver, std::string* text);
    /// Reads the Reaped frame of a child that ends by itself; false, with the copy ended, when
    /// the copy is gone.
    bool Settle();

    Prepare m_prepare;
    Synthesise m_synthesise;
    bool m_perText;
    pid_t m_copy = 0;
    pid_t m_child = 0;    // the child of the text so far (PerText), else of the request being read
    bool m_reapPending = false;  // a child was told to end, or ends by itself, unread
    int m_requests = -1;  // written here, read by the copy
    int m_answers = -1;   // written by the copy and its children, read here
};

} // namespace speech
