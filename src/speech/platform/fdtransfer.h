#pragma once

#include <cerrno>
#include <cstddef>

#include <unistd.h>

namespace speech {

/// Moves `size` bytes through `fd` with `transfer` (::read or ::write), going on after a signal
/// and a short transfer. False at an error (errno says which), or at the end of a pipe or a
/// write that moved nothing before `size` bytes.
template <class Byte, class Transfer>
bool TransferAll(int fd, Byte* data, std::size_t size, Transfer transfer)
{
    while (size > 0) {
        const ssize_t n = transfer(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

inline bool WriteAll(int fd, const void* data, std::size_t size)
{
    return TransferAll(fd, static_cast<const char*>(data), size, ::write);
}

inline bool ReadAll(int fd, void* data, std::size_t size)
{
    return TransferAll(fd, static_cast<char*>(data), size, ::read);
}

} // namespace speech
