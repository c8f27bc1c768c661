#include "speech/platform/forkedsynthesis.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "speech/platform/fdtransfer.h"

namespace speech {
namespace {

// Answers come as frames: a header, then `events` event bytes, then `bytes` bytes. A frame is
// written with one write of at most PIPE_BUF bytes, so a child killed midway never leaves half
// of one, and the copy's Reaped frame, written once the child is gone, is always a request's last.
enum class Frame : std::uint32_t {
    Child = 1,   // the child's process id
    Sound = 2,   // samples
    Text = 3,    // part of the text
    End = 4,     // the HRESULT of prepare or synthesise
    Reaped = 5,  // from the copy: the child is gone; one byte, 1 when it ended by itself
};

struct Header
{
    Frame kind;
    std::uint32_t events;
    std::uint32_t bytes;
};

constexpr std::size_t kMostFrameBytes = PIPE_BUF - sizeof(Header);

// Splits what does not fit in one frame; the events go with the first.
bool SendFrames(int fd, Frame kind, std::span<const SynthesisEvent> events, const void* data, std::size_t bytes)
{
    const char* at = static_cast<const char*>(data);
    char frame[PIPE_BUF];
    do {
        const std::size_t eventCount = std::min(events.size(), kMostFrameBytes);
        const std::size_t room = (kMostFrameBytes - eventCount) & ~std::size_t(1);  // whole samples
        const std::size_t chunk = std::min(bytes, room);
        const Header header{kind, std::uint32_t(eventCount), std::uint32_t(chunk)};
        std::memcpy(frame, &header, sizeof header);
        for (std::size_t i = 0; i < eventCount; ++i)
            frame[sizeof header + i] = static_cast<char>(events[i]);
        if (chunk > 0)
            std::memcpy(frame + sizeof header + eventCount, at, chunk);
        if (!WriteAll(fd, frame, sizeof header + eventCount + chunk))
            return false;
        events = events.subspan(eventCount);
        at += chunk;
        bytes -= chunk;
    } while (bytes > 0 || !events.empty());
    return true;
}

// In a child: what the synthesis gives goes down the pipe.
class PipeSender final : public SoundReceiver
{
public:
    explicit PipeSender(int fd)
        : m_fd(fd)
    {
    }

    bool Receive(std::span<const std::int16_t> samples, std::span<const SynthesisEvent> events) override
    {
        return SendFrames(m_fd, Frame::Sound, events, samples.data(), samples.size_bytes());
    }

private:
    int m_fd;
};

// The exit status of `child` when it ended by itself; -1 when a signal ended it.
int Reap(pid_t child)
{
    int status = 0;
    pid_t done;
    do
        done = ::waitpid(child, &status, 0);
    while (done < 0 && errno == EINTR);
    if (done < 0)
        return errno == ECHILD ? 0 : -1;  // reaped elsewhere (SIGCHLD ignored): nothing to tell
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A request's size that ends a text instead.
constexpr std::uint32_t kEndOfText = UINT32_MAX;

enum class Read {
    Request,
    EndOfText,
    Closed,  // this process ended, or closed its end
};

Read ReadRequest(int requests, std::string& request)
{
    std::uint32_t size = 0;
    if (!ReadAll(requests, &size, sizeof size))
        return Read::Closed;
    if (size == kEndOfText)
        return Read::EndOfText;
    request.assign(size, '\0');
    return ReadAll(requests, request.data(), size) ? Read::Request : Read::Closed;
}

// `request` is prepared; with `perText` the child goes on with the text's further requests,
// preparing each itself, until the text ends.
[[noreturn]] void RunChild(const ForkedSynthesis::Prepare& prepare, const ForkedSynthesis::Synthesise& synthesise,
                           std::string request, int requests, int answers, bool perText)
{
    const pid_t self = ::getpid();
    PipeSender sender(answers);
    if (!SendFrames(answers, Frame::Child, {}, &self, sizeof self))
        ::_exit(1);
    HRESULT hr = S_OK;
    for (;;) {
        std::string text;
        if (Succeeded(hr))
            hr = synthesise(request, sender, text);
        if (!SendFrames(answers, Frame::Text, {}, text.data(), text.size())
            || !SendFrames(answers, Frame::End, {}, &hr, sizeof hr))
            ::_exit(1);
        if (!perText || ReadRequest(requests, request) != Read::Request)
            ::_exit(0);
        hr = prepare(request);
    }
}

// The still copy: one request after another until this process closes the request pipe.
[[noreturn]] void RunCopy(const ForkedSynthesis::Prepare& prepare, const ForkedSynthesis::Synthesise& synthesise,
                          int requests, int answers, bool perText)
{
    // Nothing of this process's but the two pipes: its standard output, sockets and the like must
    // see their end when this process ends, not when the copy does.
    const int low = std::min(requests, answers);
    const int high = std::max(requests, answers);
    if (const int null = ::open("/dev/null", O_RDWR); null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        if (null > STDERR_FILENO)
            ::close(null);
    }
    if (low > STDERR_FILENO + 1)
        ::close_range(STDERR_FILENO + 1, unsigned(low - 1), 0);
    if (high > low + 1)
        ::close_range(unsigned(low + 1), unsigned(high - 1), 0);
    ::close_range(unsigned(high + 1), ~0U, 0);
    // This process gone, a write fails instead of ending the copy before it sees the end of requests.
    std::signal(SIGPIPE, SIG_IGN);

    const pid_t copy = ::getpid();
    for (std::string request;;) {
        if (const Read read = ReadRequest(requests, request); read == Read::Closed)
            ::_exit(0);
        else if (read == Read::EndOfText)
            continue;  // no child to end
        char byItself = 0;
        if (const HRESULT hr = prepare(request); Failed(hr)) {
            SendFrames(answers, Frame::End, {}, &hr, sizeof hr);
            byItself = 1;
        } else if (const pid_t child = ::fork(); child == 0) {
            // A child must not outlive its copy, were the copy killed.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != copy)
                ::_exit(1);
            RunChild(prepare, synthesise, std::move(request), requests, answers, perText);
        } else if (child > 0) {
            byItself = Reap(child) == 0 ? 1 : 0;
        }
        SendFrames(answers, Frame::Reaped, {}, &byItself, 1);
    }
}

} // namespace

ForkedSynthesis::ForkedSynthesis(Prepare prepare, Synthesise synthesise, Children children)
    : m_prepare(std::move(prepare))
    , m_synthesise(std::move(synthesise))
    , m_perText(children == Children::PerText)
{
}

ForkedSynthesis::~ForkedSynthesis()
{
    EndCopy();
}

bool ForkedSynthesis::StartCopy()
{
    int requests[2];
    int answers[2];
    if (::pipe2(requests, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(answers, O_CLOEXEC) != 0) {
        ::close(requests[0]);
        ::close(requests[1]);
        return false;
    }
    const pid_t worker = ::getpid();
    const pid_t copy = ::fork();
    if (copy == 0) {
        // A copy must not outlive its worker, were the worker killed (on a hung word, say):
        // before anything else, which could block on a lock another thread held at the fork.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != worker)
            ::_exit(1);
    }
    if (copy == 0)
        RunCopy(m_prepare, m_synthesise, requests[0], answers[1], m_perText);
    ::close(requests[0]);
    ::close(answers[1]);
    if (copy < 0) {
        ::close(requests[1]);
        ::close(answers[0]);
        return false;
    }
    m_copy = copy;
    m_requests = requests[1];
    m_answers = answers[0];
    return true;
}

void ForkedSynthesis::EndCopy()
{
    if (m_copy <= 0)
        return;
    ::close(m_requests);  // the copy ends when it sees the end of its requests
    ::close(m_answers);
    Reap(m_copy);
    m_copy = 0;
    m_child = 0;
    m_reapPending = false;
    m_requests = m_answers = -1;
}

bool ForkedSynthesis::Ask(const void* data, std::size_t size)
{
    // A copy that died shows as a failed write; SIGPIPE must not end this process for it.
    sigset_t pipeSignal;
    sigset_t previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const bool asked = WriteAll(m_requests, data, size);
    if (!asked) {
        // Take the pending SIGPIPE, so it does not strike once unblocked.
        const timespec now{};
        ::sigtimedwait(&pipeSignal, nullptr, &now);
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (!asked)
        EndCopy();
    return asked;
}

bool ForkedSynthesis::Settle()
{
    if (!m_reapPending)
        return true;
    m_reapPending = false;
    Header header{};
    char frame[PIPE_BUF];
    if (ReadAll(m_answers, &header, sizeof header) && header.kind == Frame::Reaped
        && std::size_t(header.events) + header.bytes <= kMostFrameBytes
        && ReadAll(m_answers, frame, std::size_t(header.events) + header.bytes)) {
        m_child = 0;
        return true;
    }
    EndCopy();
    return false;
}

HRESULT ForkedSynthesis::Run(const std::string& request, SoundReceiver& receiver, std::string* text)
{
    // A copy that died since the last request fails this one, not silently the next.
    if (m_copy > 0 && !Settle())
        return SPERR_TTS_ENGINE_EXCEPTION;
    if (m_copy <= 0 && !StartCopy())
        return SPERR_TTS_ENGINE_EXCEPTION;
    std::string asked(sizeof(std::uint32_t), '\0');
    const std::uint32_t size = std::uint32_t(request.size());
    std::memcpy(asked.data(), &size, sizeof size);
    asked += request;
    if (!Ask(asked.data(), asked.size()))
        return SPERR_TTS_ENGINE_EXCEPTION;
    if (text)
        text->clear();
    return ReadAnswers(receiver, text);
}

void ForkedSynthesis::EndText()
{
    if (m_child <= 0 || m_reapPending)
        return;
    // The child's end is read before the next request: this process goes on meanwhile.
    m_reapPending = Ask(&kEndOfText, sizeof kEndOfText);
}

HRESULT ForkedSynthesis::ReadAnswers(SoundReceiver& receiver, std::string* text)
{
    HRESULT hr = SPERR_TTS_ENGINE_EXCEPTION;  // until the end frame says otherwise
    bool ended = false;     // an End frame came
    bool complete = false;  // the Reaped frame came
    bool byItself = false;  // ... saying the child ended by itself
    bool stopped = false;
    std::vector<SynthesisEvent> events;
    char frame[PIPE_BUF];
    std::vector<std::int16_t> samples;
    for (Header header{}; ReadAll(m_answers, &header, sizeof header);) {
        if (std::size_t(header.events) + header.bytes > kMostFrameBytes
            || !ReadAll(m_answers, frame, std::size_t(header.events) + header.bytes))
            break;  // not a frame: the pipe is out of step
        const char* bytes = frame + header.events;
        if (header.kind == Frame::Reaped) {
            complete = true;
            byItself = header.bytes == 1 && bytes[0] == 1;
            m_child = 0;
            break;
        }
        if (stopped)
            continue;  // what the child sent before it was killed
        switch (header.kind) {
        case Frame::Child:
            if (header.bytes == sizeof m_child)
                std::memcpy(&m_child, bytes, sizeof m_child);
            break;
        case Frame::Sound:
            events.clear();
            for (std::uint32_t i = 0; i < header.events; ++i)
                events.push_back(static_cast<SynthesisEvent>(frame[i]));
            samples.resize(header.bytes / sizeof(std::int16_t));
            std::memcpy(samples.data(), bytes, samples.size() * sizeof(std::int16_t));
            if (!receiver.Receive(samples, events)) {
                stopped = true;
                if (m_child > 0)
                    ::kill(m_child, SIGKILL);
            }
            break;
        case Frame::Text:
            if (text)
                text->append(bytes, header.bytes);
            break;
        case Frame::End:
            if (header.bytes == sizeof hr) {
                std::memcpy(&hr, bytes, sizeof hr);
                ended = true;
            }
            if (m_child > 0) {
                // The child waits for the text's next request, or ends by itself: its end is
                // read before the next request, while this process goes on.
                m_reapPending = !m_perText;
                return hr;
            }
            break;
        case Frame::Reaped:
            break;
        }
    }
    if (!complete)
        EndCopy();  // the copy died, or the pipe is out of step: a new copy next time
    if (stopped)
        return S_OK;
    return ended && byItself ? hr : SPERR_TTS_ENGINE_EXCEPTION;
}

} // namespace speech
