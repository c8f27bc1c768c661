#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "base/result.h"

struct lame_global_struct;

namespace speech {

/// Encodes 16-bit PCM into a constant-bit-rate MP3 with LAME and writes it through a file
/// descriptor, checking every write, so that a file that could not be written whole is never
/// taken for a finished one. The first frame is LAME's Info tag, filled in by Finish, which lets
/// decoders trim the encoder's delay and padding.
class Mp3Writer
{
public:
    Mp3Writer();
    ~Mp3Writer();
    Mp3Writer(const Mp3Writer&) = delete;
    Mp3Writer& operator=(const Mp3Writer&) = delete;

    /// Sets the encoder up for `channels` (1 or 2) at `rate` and `kbps`, writing to `fd` from
    /// its start. E_INVALIDARG when LAME refuses the combination.
    HRESULT Open(int fd, std::uint32_t rate, std::uint16_t channels, int kbps);
    /// Encodes interleaved frames and writes what LAME gives back.
    HRESULT Write(std::span<const std::int16_t> samples);
    /// Writes the last frames and the Info tag. A failed write is reported by its errno, so a
    /// full disk reads as such (FileWriteError).
    HRESULT Finish();
    /// The MP3 bytes written so far.
    std::uint64_t BytesWritten() const { return m_bytes; }

private:
    HRESULT WriteOut(int length);

    struct Close
    {
        void operator()(lame_global_struct* lame) const;
    };
    std::unique_ptr<lame_global_struct, Close> m_lame;
    int m_fd = -1;
    std::uint16_t m_channels = 1;
    std::uint64_t m_bytes = 0;
    std::vector<unsigned char> m_buffer;
};

} // namespace speech
