#include "speech/platform/mp3writer.h"

#include <cerrno>

#include <unistd.h>

#include <lame/lame.h>

#include "base/comerror.h"
#include "speech/platform/fdtransfer.h"

namespace speech {
namespace {

// LAME's own guide: "7 ok quality, really fast". On spoken words 9 measured no faster (the
// cost is LAME's analysis of every frame, not its search), so nothing more is given up.
constexpr int kLameQuality = 7;

} // namespace

void Mp3Writer::Close::operator()(lame_global_struct* lame) const
{
    lame_close(lame);
}

Mp3Writer::Mp3Writer() = default;
Mp3Writer::~Mp3Writer() = default;

HRESULT Mp3Writer::Open(int fd, std::uint32_t rate, std::uint16_t channels, int kbps)
{
    m_lame.reset(lame_init());
    if (!m_lame)
        return E_OUTOFMEMORY;
    lame_t lame = m_lame.get();
    lame_set_in_samplerate(lame, int(rate));
    // Else LAME picks a lower rate of its own for a low bit rate.
    lame_set_out_samplerate(lame, int(rate));
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, kbps);
    lame_set_quality(lame, kLameQuality);
    lame_set_bWriteVbrTag(lame, 1);
    lame_set_write_id3tag_automatic(lame, 0);  // TagLib writes the tags
    if (lame_init_params(lame) < 0 || lame_get_brate(lame) != kbps) {
        m_lame.reset();
        return E_INVALIDARG;
    }
    m_fd = fd;
    m_channels = channels;
    m_bytes = 0;
    return S_OK;
}

HRESULT Mp3Writer::WriteOut(int length)
{
    if (length < 0)
        return E_FAIL;
    errno = 0;
    if (!WriteAll(m_fd, m_buffer.data(), std::size_t(length)))
        return FileWriteError(errno);
    m_bytes += std::uint64_t(length);
    return S_OK;
}

HRESULT Mp3Writer::Write(std::span<const std::int16_t> samples)
{
    if (!m_lame)
        return E_UNEXPECTED;
    const int frames = int(samples.size() / m_channels);
    // LAME's own bound for the worst case of one call.
    m_buffer.resize(std::size_t(frames) * 5 / 4 + 7200);
    const int length = m_channels == 1
        ? lame_encode_buffer(m_lame.get(), samples.data(), samples.data(), frames, m_buffer.data(), int(m_buffer.size()))
        : lame_encode_buffer_interleaved(m_lame.get(), const_cast<short*>(samples.data()), frames, m_buffer.data(),
                                         int(m_buffer.size()));
    return WriteOut(length);
}

HRESULT Mp3Writer::Finish()
{
    if (!m_lame)
        return E_UNEXPECTED;
    m_buffer.resize(7200);
    HRESULT hr = WriteOut(lame_encode_flush(m_lame.get(), m_buffer.data(), int(m_buffer.size())));
    if (Succeeded(hr)) {
        // The Info tag takes the place LAME kept for it in the first frame.
        const std::size_t tag = lame_get_lametag_frame(m_lame.get(), m_buffer.data(), m_buffer.size());
        if (tag > m_buffer.size())
            hr = E_FAIL;
        else if (tag > 0) {
            errno = 0;
            if (::lseek(m_fd, 0, SEEK_SET) != 0 || !WriteAll(m_fd, m_buffer.data(), tag))
                hr = FileWriteError(errno);
        }
    }
    m_lame.reset();
    return hr;
}

} // namespace speech
