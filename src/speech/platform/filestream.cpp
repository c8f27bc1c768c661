#include "speech/platform/filestream.h"

#include <atomic>
#include <cerrno>
#include <cstdio>

#include <sndfile.h>

#include "base/atomicfile.h"
#include "base/cfree.h"

namespace speech {
namespace {

using SoundFile = CHandle<SNDFILE, &sf_close>;

} // namespace

struct FileStream::Private
{
    QString path;
    WaveFormat format;
    std::uint64_t eventInterest = 0;
    AtomicFile file;  // holds the descriptor libsndfile writes through
    SoundFile sound;  // declared after it: closed before the descriptor
    std::atomic<HRESULT> writeResult = S_OK;
    bool committed = false;
};

FileStream::FileStream()
    : d(std::make_unique<Private>())
{
}

FileStream::~FileStream() = default;

HRESULT FileStream::BindToFile(const QString& path, FileMode mode, FormatId id,
                               const WaveFormat& format, std::uint64_t eventInterest)
{
    if (d->sound || d->committed)
        return E_UNEXPECTED;
    if (path.isEmpty())
        return E_INVALIDARG;
    if (mode != FileMode::CreateAlways)
        return E_NOTIMPL;
    if (id != FormatId::WaveFormatEx || !format.IsSupportedPcm())
        return SPERR_UNSUPPORTED_FORMAT;
    if (const HRESULT hr = d->file.Open(path, u".wav"); Failed(hr))
        return hr;

    SF_INFO info{};
    info.samplerate = static_cast<int>(format.samplesPerSec);
    info.channels = format.channels;
    info.format = SF_FORMAT_WAV | (format.bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    d->sound.reset(sf_open_fd(d->file.Handle(), SFM_WRITE, &info, SF_FALSE));
    if (!d->sound) {
        d->file.Discard();
        return E_FAIL;
    }
    d->path = path;
    d->format = format;
    d->eventInterest = eventInterest;
    d->writeResult = S_OK;
    return S_OK;
}

HRESULT FileStream::Commit()
{
    if (!d->sound)
        return E_UNEXPECTED;
    HRESULT hr = d->writeResult;
    // sf_close writes the final chunk sizes into the header.
    if (sf_close(d->sound.release()) != 0 && Succeeded(hr))
        hr = STG_E_WRITEFAULT;
    if (Succeeded(hr))
        hr = d->file.Commit();
    if (Failed(hr)) {
        d->file.Discard();
        return hr;
    }
    d->committed = true;
    return S_OK;
}

QString FileStream::GetPath() const
{
    return d->path;
}

HRESULT FileStream::GetFormat(FormatId& id, WaveFormat& format) const
{
    if (!d->sound && !d->committed)
        return SPERR_UNINITIALIZED;
    id = FormatId::WaveFormatEx;
    format = d->format;
    return S_OK;
}

HRESULT FileStream::BeginWriting()
{
    return d->sound ? S_OK : SPERR_UNINITIALIZED;
}

HRESULT FileStream::Write(std::span<const std::int16_t> samples)
{
    if (const HRESULT earlier = d->writeResult; Failed(earlier))
        return earlier;
    if (!d->sound)
        return SPERR_UNINITIALIZED;
    const HRESULT hr = WriteFrames(samples);
    if (Failed(hr))
        d->writeResult = hr;
    return hr;
}

HRESULT FileStream::EndWriting()
{
    return d->writeResult;
}

void FileStream::Discard()
{
    // Cut short: the file must not be committed.
    HRESULT expected = S_OK;
    d->writeResult.compare_exchange_strong(expected, E_ABORT);
}

HRESULT FileStream::WriteFrames(std::span<const std::int16_t> samples)
{
    const auto frames = static_cast<sf_count_t>(samples.size() / d->format.channels);
    errno = 0;
    if (sf_writef_short(d->sound.get(), samples.data(), frames) != frames)
        return errno == ENOSPC ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT;
    return S_OK;
}

} // namespace speech
