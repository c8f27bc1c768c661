#include "speech/platform/filestream.h"

#include <atomic>
#include <cerrno>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include <sndfile.h>

#include "base/atomicfile.h"
#include "base/cfree.h"
#include "speech/platform/loudness.h"
#include "speech/platform/mp3writer.h"

namespace speech {
namespace {

using SoundFile = CHandle<SNDFILE, &sf_close>;

int SoundFileFormat(const FileEncoding& encoding, const WaveFormat& format)
{
    switch (encoding.type) {
    case OutputFileType::Opus:
        return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    case OutputFileType::Wav:
    case OutputFileType::Mp3:  // written by Mp3Writer
        break;
    }
    return SF_FORMAT_WAV | (format.bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
}

// The least a complete file holds: a file short of it lost bytes somewhere, whatever the
// library writing it said.
bool HoldsAtLeast(int fd, std::uint64_t bytes)
{
    struct stat status{};
    return ::fstat(fd, &status) == 0 && status.st_size > 0 && std::uint64_t(status.st_size) >= bytes;
}

} // namespace

struct FileStream::Private
{
    QString path;
    WaveFormat format;  // what the file is encoded from
    FileEncoding encoding;
    FileFinisher finisher;
    std::atomic<std::uint64_t> framesWritten = 0;
    std::uint64_t eventInterest = 0;
    AtomicFile file;  // holds the descriptor libsndfile writes through
    SoundFile sound;  // declared after it: closed before the descriptor
    std::unique_ptr<Mp3Writer> mp3;  // an MP3 is written by LAME directly, not by libsndfile
    bool Open() const { return sound || mp3; }
    std::atomic<HRESULT> writeResult = S_OK;
    bool committed = false;
    // With silence to add or a loudness to reach, the sound is held until Commit.
    bool Shaped() const { return encoding.leadMs > 0 || encoding.trailMs > 0 || encoding.loudnessLufs.has_value(); }
    std::vector<std::int16_t> held;
    std::vector<SoundPart> parts;

    HRESULT OpenEncoder(const FileEncoding& encoding, const WaveFormat& format);
    HRESULT CloseEncoder();
    HRESULT WriteShaped(FileStream& stream);
};

HRESULT FileStream::Private::OpenEncoder(const FileEncoding& encoding, const WaveFormat& format)
{
    if (encoding.type == OutputFileType::Mp3) {
        mp3 = std::make_unique<Mp3Writer>();
        const HRESULT hr = mp3->Open(file.Handle(), format.samplesPerSec, format.channels,
                                     EffectiveMp3Kbps(encoding.mp3Kbps, format.samplesPerSec, format.channels));
        if (Failed(hr))
            mp3.reset();
        return hr;
    }
    SF_INFO info{};
    info.samplerate = static_cast<int>(format.samplesPerSec);
    info.channels = format.channels;
    info.format = SoundFileFormat(encoding, format);
    sound.reset(sf_open_fd(file.Handle(), SFM_WRITE, &info, SF_FALSE));
    // Opening writes the header: on a full disk that is where the file fails.
    return sound ? S_OK : FileWriteError(errno, E_FAIL);
}

// sf_close writes the final chunk sizes into the header, or the last Ogg pages; the MP3 writer
// its last frames and Info tag.
HRESULT FileStream::Private::CloseEncoder()
{
    if (mp3) {
        const HRESULT hr = mp3->Finish();
        return Succeeded(hr) && !HoldsAtLeast(file.Handle(), mp3->BytesWritten()) ? STG_E_WRITEFAULT : hr;
    }
    errno = 0;
    if (sf_close(sound.release()) != 0)
        return FileWriteError(errno);
    const std::uint64_t least = encoding.type == OutputFileType::Wav
        ? framesWritten * format.channels * (format.bitsPerSample / 8u)
        : 1;
    return HoldsAtLeast(file.Handle(), least) ? S_OK : STG_E_WRITEFAULT;
}

HRESULT FileStream::Private::WriteShaped(FileStream& stream)
{
    // The lead silence went in at the start.
    held.resize(held.size() + std::size_t(format.samplesPerSec) * std::size_t(encoding.trailMs) / 1000 * format.channels, 0);
    if (encoding.loudnessLufs) {
        // 8-bit samples round on their own after levelling: a little more room under the limit.
        const double limit = FileEncoding::kMaxTruePeakDb - (format.bitsPerSample == 8 ? 0.2 : 0.0);
        LevelLoudness(held, format.channels, format.samplesPerSec, parts, *encoding.loudnessLufs, limit);
    }
    const HRESULT hr = stream.WriteFrames(held);
    if (Succeeded(hr))
        framesWritten = held.size() / format.channels;
    held = {};
    return hr;
}

FileStream::FileStream()
    : d(std::make_unique<Private>())
{
}

FileStream::~FileStream() = default;

HRESULT FileStream::BindToFile(const QString& path, FileMode mode, FormatId id,
                               const WaveFormat& chosen, std::uint64_t eventInterest,
                               const FileEncoding& encoding)
{
    if (d->Open() || d->committed)
        return E_UNEXPECTED;
    if (path.isEmpty())
        return E_INVALIDARG;
    if (mode != FileMode::CreateAlways)
        return E_NOTIMPL;
    if (id != FormatId::WaveFormatEx || !chosen.IsSupportedPcm())
        return SPERR_UNSUPPORTED_FORMAT;
    const WaveFormat format = EncodedWaveFormat(encoding, chosen);
    if (const Result<void> opened = d->file.Open(path, QStringLiteral(".%1").arg(FileTypeExtension(encoding.type)));
        !opened)
        return opened.error().Error();

    errno = 0;
    if (const HRESULT hr = d->OpenEncoder(encoding, format); Failed(hr)) {
        d->file.Discard();
        return hr;
    }
    d->path = path;
    d->format = format;
    d->encoding = encoding;
    d->framesWritten = 0;
    d->eventInterest = eventInterest;
    d->writeResult = S_OK;
    d->held.assign(std::size_t(format.samplesPerSec) * std::size_t(encoding.leadMs) / 1000 * format.channels, 0);
    d->parts.clear();
    return S_OK;
}

HRESULT FileStream::Commit()
{
    if (!d->Open())
        return E_UNEXPECTED;
    HRESULT hr = d->writeResult;
    if (Succeeded(hr) && d->Shaped())
        hr = d->WriteShaped(*this);
    if (const HRESULT closed = d->CloseEncoder(); Succeeded(hr))
        hr = closed;
    d->mp3.reset();
    // Tags and the like go into the finished file before it takes the target's name.
    if (Succeeded(hr) && d->finisher) {
        errno = 0;
        if (!d->finisher(d->file.TemporaryPath(), GetWrittenSeconds()))
            hr = FileWriteError(errno, E_FAIL);
    }
    if (Succeeded(hr)) {
        if (const Result<void> committed = d->file.Commit(); !committed)
            hr = committed.error().Error();
    }
    if (Failed(hr)) {
        d->file.Discard();
        return hr;
    }
    d->committed = true;
    return S_OK;
}

void FileStream::SetFinisher(FileFinisher finisher)
{
    d->finisher = std::move(finisher);
}

QString FileStream::GetPath() const
{
    return d->path;
}

double FileStream::GetWrittenSeconds() const
{
    return d->format.samplesPerSec == 0
        ? 0.0
        : static_cast<double>(d->framesWritten) / d->format.samplesPerSec;
}

HRESULT FileStream::GetFormat(FormatId& id, WaveFormat& format) const
{
    if (!d->Open() && !d->committed)
        return SPERR_UNINITIALIZED;
    id = FormatId::WaveFormatEx;
    format = d->format;
    return S_OK;
}

HRESULT FileStream::BeginWriting()
{
    return d->Open() ? S_OK : SPERR_UNINITIALIZED;
}

HRESULT FileStream::Write(std::span<const std::int16_t> samples)
{
    if (const HRESULT earlier = d->writeResult; Failed(earlier))
        return earlier;
    if (!d->Open())
        return SPERR_UNINITIALIZED;
    if (d->Shaped()) {
        d->held.insert(d->held.end(), samples.begin(), samples.end());
        return S_OK;
    }
    const HRESULT hr = WriteFrames(samples);
    if (Failed(hr))
        d->writeResult = hr;
    else
        d->framesWritten += samples.size() / d->format.channels;
    return hr;
}

void FileStream::BeginPart(Script script)
{
    if (d->Shaped())
        d->parts.push_back({d->held.size() / d->format.channels, script});
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
    if (d->mp3)
        return d->mp3->Write(samples);
    const auto frames = static_cast<sf_count_t>(samples.size() / d->format.channels);
    errno = 0;
    if (sf_writef_short(d->sound.get(), samples.data(), frames) != frames)
        return FileWriteError(errno);
    return S_OK;
}

} // namespace speech
