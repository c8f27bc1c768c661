#include "speech/platform/forkedsynthesis.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace speech {
namespace {

// The child sends frames: a header, then `events` event bytes and `bytes` bytes of samples, of
// text, or (the last frame) of the HRESULT.
enum class Frame : std::uint32_t {
    Sound = 1,
    Text = 2,
    End = 3,
};

struct Header
{
    Frame kind;
    std::uint32_t events;
    std::uint32_t bytes;
};

bool WriteAll(int fd, const void* data, std::size_t size)
{
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, at, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
        size -= std::size_t(n);
    }
    return true;
}

// False at the end of the pipe before `size` bytes.
bool ReadAll(int fd, void* data, std::size_t size)
{
    char* at = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, at, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
        size -= std::size_t(n);
    }
    return true;
}

bool SendFrame(int fd, Frame kind, std::span<const SynthesisEvent> events, const void* data,
               std::size_t bytes)
{
    std::vector<std::uint8_t> codes;
    codes.reserve(events.size());
    for (const SynthesisEvent e : events)
        codes.push_back(static_cast<std::uint8_t>(e));
    const Header header{kind, std::uint32_t(codes.size()), std::uint32_t(bytes)};
    return WriteAll(fd, &header, sizeof header) && WriteAll(fd, codes.data(), codes.size())
        && WriteAll(fd, data, bytes);
}

// In the child: what the synthesis gives goes down the pipe.
class PipeSender final : public SoundReceiver
{
public:
    explicit PipeSender(int fd)
        : m_fd(fd)
    {
    }

    bool Receive(std::span<const std::int16_t> samples, std::span<const SynthesisEvent> events) override
    {
        return SendFrame(m_fd, Frame::Sound, events, samples.data(), samples.size_bytes());
    }

private:
    int m_fd;
};

[[noreturn]] void RunChild(const ChildSynthesis& synthesise, int fd)
{
    // A parent that stops reading makes write fail, which ends the synthesis.
    std::signal(SIGPIPE, SIG_IGN);
    PipeSender sender(fd);
    std::string text;
    const HRESULT hr = synthesise(sender, text);
    const bool sent = (text.empty() || SendFrame(fd, Frame::Text, {}, text.data(), text.size()))
                   && SendFrame(fd, Frame::End, {}, &hr, sizeof hr);
    ::_exit(sent ? 0 : 1);
}

// The child's exit status; -1 when it did not exit by itself.
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

} // namespace

HRESULT SynthesiseInChild(const ChildSynthesis& synthesise, SoundReceiver& receiver, std::string* text)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return SPERR_TTS_ENGINE_EXCEPTION;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        RunChild(synthesise, fds[1]);
    }
    ::close(fds[1]);
    if (child < 0) {
        ::close(fds[0]);
        return SPERR_TTS_ENGINE_EXCEPTION;
    }

    HRESULT hr = SPERR_TTS_ENGINE_EXCEPTION;  // until the end frame says otherwise
    bool stopped = false;
    std::vector<std::uint8_t> codes;
    std::vector<SynthesisEvent> events;
    std::vector<std::int16_t> data;
    for (Header header{}; ReadAll(fds[0], &header, sizeof header);) {
        codes.resize(header.events);
        data.resize((std::size_t(header.bytes) + 1) / sizeof(std::int16_t));
        if (!ReadAll(fds[0], codes.data(), codes.size()) || !ReadAll(fds[0], data.data(), header.bytes))
            break;
        if (header.kind == Frame::End) {
            if (header.bytes == sizeof hr)
                std::memcpy(&hr, data.data(), sizeof hr);
            break;
        }
        if (header.kind == Frame::Text) {
            if (text)
                text->assign(reinterpret_cast<const char*>(data.data()), header.bytes);
            continue;
        }
        events.clear();
        for (const std::uint8_t code : codes)
            events.push_back(static_cast<SynthesisEvent>(code));
        if (!receiver.Receive(std::span(data.data(), header.bytes / sizeof(std::int16_t)), events)) {
            stopped = true;
            ::kill(child, SIGKILL);
            break;
        }
    }
    ::close(fds[0]);
    const int status = Reap(child);
    if (stopped)
        return S_OK;
    return status == 0 ? hr : SPERR_TTS_ENGINE_EXCEPTION;
}

} // namespace speech
