#include "speech/platform/childprocess.h"

#include <cerrno>
#include <csignal>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace speech {
namespace {

// What is kept of a program's output: its answer lines and the end of its complaints.
constexpr qsizetype kMaxKept = 64 * 1024;

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

ChildProcess::~ChildProcess()
{
    Kill();
}

bool ChildProcess::Start(const QString& program, const QStringList& arguments, const QByteArray& input, bool keepInput)
{
    Kill();
    m_output.clear();
    m_errors.clear();
    m_errorsTaken = 0;
    m_status = -1;
    // The input is a socket, so writing to a program that has gone fails instead of raising
    // SIGPIPE in this process.
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0 || ::pipe2(out, O_CLOEXEC) != 0
        || ::pipe2(err, O_CLOEXEC) != 0) {
        for (int* fds : {in, out, err}) {
            CloseFd(fds[0]);
            CloseFd(fds[1]);
        }
        return false;
    }
    ::shutdown(in[1], SHUT_WR);  // the child only reads
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    // The parent may ignore or catch signals; the program starts with the defaults.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    const QByteArray path = program.toLocal8Bit();
    std::vector<QByteArray> words{path};
    for (const QString& argument : arguments)
        words.push_back(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, path.constData(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    CloseFd(in[1]);
    CloseFd(out[1]);
    CloseFd(err[1]);
    m_in = in[0];
    m_out = out[0];
    m_err = err[0];
    for (int fd : {m_in, m_out, m_err})
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (spawned != 0) {
        CloseAll();
        return false;
    }
    m_pid = pid;
    m_pendingInput = input;
    if (!keepInput && input.isEmpty())
        CloseFd(m_in);
    m_keepInput = keepInput;
    return true;
}

void ChildProcess::Write(const QByteArray& input)
{
    m_pendingInput += input;
}

ChildProcess::Outcome ChildProcess::WaitForExit(Clock::time_point deadline, int& status)
{
    if (!Pump(deadline, {}))
        return Outcome::TimedOut;
    status = m_status;
    return Outcome::Done;
}

ChildProcess::Outcome ChildProcess::ReadLine(Clock::time_point deadline, QByteArray& line)
{
    if (!Pump(deadline, [this] { return m_output.contains('\n'); }))
        return Outcome::TimedOut;
    const qsizetype end = m_output.indexOf('\n');
    if (end < 0)
        return Outcome::Ended;
    line = m_output.first(end);
    m_output.remove(0, end + 1);
    return Outcome::Done;
}

ChildProcess::Outcome ChildProcess::WaitForErrorLine(Clock::time_point deadline, const QList<QByteArray>& markers,
                                                     QByteArray& found)
{
    // The first whole line after those taken before that holds a marker.
    auto marked = [&] {
        for (qsizetype end; (end = m_errors.indexOf('\n', m_errorsTaken)) >= 0;) {
            const QByteArray line = m_errors.sliced(m_errorsTaken, end - m_errorsTaken);
            m_errorsTaken = end + 1;
            for (const QByteArray& marker : markers) {
                if (line.contains(marker)) {
                    found = marker;
                    return true;
                }
            }
        }
        return false;
    };
    found.clear();
    if (!Pump(deadline, marked))
        return Outcome::TimedOut;
    return found.isEmpty() ? Outcome::Ended : Outcome::Done;
}

bool ChildProcess::Pump(Clock::time_point deadline, const std::function<bool()>& enough)
{
    while (m_pid > 0) {
        if (enough && enough())
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (m_out < 0 && m_err < 0) {
            // Its output is closed: it is ending, or went on without it.
            Reap(false);
            if (m_pid > 0 && left <= 0) {
                Kill();
                return false;
            }
            if (m_pid > 0)
                ::usleep(5000);
            continue;
        }
        pollfd fds[3] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}, {m_in, short(m_pendingInput.isEmpty() ? 0 : POLLOUT), 0}};
        if (left <= 0) {
            Kill();
            return false;
        }
        const int ready = ::poll(fds, 3, int(std::min<long long>(left, 1000)));
        if (ready < 0 && errno != EINTR) {
            Kill();
            return false;
        }
        if (fds[2].revents & (POLLOUT | POLLERR | POLLHUP)) {
            const ssize_t sent = ::send(m_in, m_pendingInput.constData(), std::size_t(m_pendingInput.size()),
                                        MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent > 0)
                m_pendingInput.remove(0, sent);
            else if (sent < 0 && errno != EAGAIN && errno != EINTR)
                m_pendingInput.clear();  // it stopped reading: what it did not take is lost
            if (m_pendingInput.isEmpty() && !m_keepInput)
                CloseFd(m_in);
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR))
            ReadSome(m_out, m_output);
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR))
            ReadSome(m_err, m_errors);
    }
    return true;
}

bool ChildProcess::ReadSome(int& fd, QByteArray& kept)
{
    char buffer[4096];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) {
        kept.append(buffer, got);
        if (kept.size() > kMaxKept) {
            const qsizetype dropped = kept.size() - kMaxKept;
            kept.remove(0, dropped);
            if (&kept == &m_errors)
                m_errorsTaken = std::max<qsizetype>(0, m_errorsTaken - dropped);
        }
        return true;
    }
    if (got == 0 || (errno != EAGAIN && errno != EINTR))
        CloseFd(fd);
    return false;
}

bool ChildProcess::Poll()
{
    while (m_out >= 0 && ReadSome(m_out, m_output)) {
    }
    while (m_err >= 0 && ReadSome(m_err, m_errors)) {
    }
    Reap(false);
    return m_pid > 0;
}

QString ChildProcess::LastErrorLine(const QByteArray& except) const
{
    const QList<QByteArray> lines = m_errors.trimmed().split('\n');
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (except.isEmpty() || !line->contains(except))
            return QString::fromUtf8(line->trimmed());
    }
    return {};
}

void ChildProcess::Reap(bool block)
{
    if (m_pid <= 0)
        return;
    int status = 0;
    pid_t done = -1;
    do {
        done = ::waitpid(m_pid, &status, block ? 0 : WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == m_pid || (done < 0 && errno == ECHILD)) {
        m_status = done == m_pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        m_pid = -1;
        CloseAll();
    }
}

void ChildProcess::Kill()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        Reap(true);
    }
    CloseAll();
}

void ChildProcess::CloseAll()
{
    CloseFd(m_in);
    CloseFd(m_out);
    CloseFd(m_err);
    m_pendingInput.clear();
}

} // namespace speech
