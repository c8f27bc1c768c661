#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <QtGlobal>

/// The id of a process that no longer runs: a child started and waited for. The system hands
/// an id out again only after going round all the others.
inline qint64 EndedProcessId()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}
