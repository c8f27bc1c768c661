#include "speech/platform/filestream.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <utility>
#include <vector>

#include <sndfile.h>

#include "base/atomicfile.h"
#include "base/cfree.h"
#include "speech/platform/loudness.h"

namespace speech {
namespace {

using SoundFile = CHandle<SNDFILE, &sf_close>;

int SoundFileFormat(const FileEncoding& encoding, const WaveFormat& format)
{
    switch (encoding.type) {
    case OutputFileType::Mp3:
        return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    case OutputFileType::Opus:
        return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    case OutputFileType::Wav:
        break;
    }
    return SF_FORMAT_WAV | (format.bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
}

// libsndfile sets an MP3's constant bit rate from a compression level: 0 is the top rate of the
// MPEG version the sample rate belongs to, 1 its lowest.
bool SetMp3Kbps(SNDFILE* sound, int kbps, const WaveFormat& format)
{
    const std::uint32_t rate = format.samplesPerSec;
    const double top = rate >= 32000 ? 320 : rate >= 16000 ? 160 : 64;
    const double bottom = rate >= 32000 ? 32 : 8;
    int mode = SF_BITRATE_MODE_CONSTANT;
    double level = (top - EffectiveMp3Kbps(kbps, rate, format.channels)) / (top - bottom);
    // libsndfile 1.2 answers a successful SFC_SET_BITRATE_MODE with 0 for MP3, so only the level's
    // answer tells; the bit rate itself is checked by the size of what is written.
    sf_command(sound, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
    return sf_command(sound, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level) == SF_TRUE;
}

} // namespace

struct FileStream::Private
{
    QString path;
    WaveFormat format;  // what the file is encoded from
    FileEncoding encoding;
    FileFinisher finisher;
    std::atomic<std::uint64_t> framesWritten = 0;
    std::vector<float> floats;  // MP3 frames on their way to the encoder
    std::uint64_t eventInterest = 0;
    AtomicFile file;  // holds the descriptor libsndfile writes through
    SoundFile sound;  // declared after it: closed before the descriptor
    std::atomic<HRESULT> writeResult = S_OK;
    bool committed = false;
    // With silence to add or a loudness to reach, the sound is held until Commit.
    bool Shaped() const { return encoding.leadMs > 0 || encoding.trailMs > 0 || encoding.loudnessLufs.has_value(); }
    std::vector<std::int16_t> held;
    std::vector<SoundPart> parts;

    HRESULT WriteShaped(FileStream& stream);
};

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
    if (d->sound || d->committed)
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

    SF_INFO info{};
    info.samplerate = static_cast<int>(format.samplesPerSec);
    info.channels = format.channels;
    info.format = SoundFileFormat(encoding, format);
    d->sound.reset(sf_open_fd(d->file.Handle(), SFM_WRITE, &info, SF_FALSE));
    if (d->sound && encoding.type == OutputFileType::Mp3
        && !SetMp3Kbps(d->sound.get(), encoding.mp3Kbps, format)) {
        d->sound.reset();
    }
    if (!d->sound) {
        d->file.Discard();
        return E_FAIL;
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
    if (!d->sound)
        return E_UNEXPECTED;
    HRESULT hr = d->writeResult;
    if (Succeeded(hr) && d->Shaped())
        hr = d->WriteShaped(*this);
    // sf_close writes the final chunk sizes into the header, or the last frames and pages.
    if (sf_close(d->sound.release()) != 0 && Succeeded(hr))
        hr = STG_E_WRITEFAULT;
    // Tags and the like go into the finished file before it takes the target's name.
    if (Succeeded(hr) && d->finisher && !d->finisher(d->file.TemporaryPath(), GetWrittenSeconds()))
        hr = E_FAIL;
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
    const auto frames = static_cast<sf_count_t>(samples.size() / d->format.channels);
    errno = 0;
    sf_count_t written = 0;
    if (d->encoding.type == OutputFileType::Mp3) {
        // libsndfile 1.2.0 copies only half of each block of stereo 16-bit samples to LAME,
        // which clicks at every MP3 frame; its float path is whole.
        d->floats.resize(samples.size());
        for (std::size_t i = 0; i < samples.size(); ++i)
            d->floats[i] = static_cast<float>(samples[i]) / 32768.0f;
        written = sf_writef_float(d->sound.get(), d->floats.data(), frames);
    } else {
        written = sf_writef_short(d->sound.get(), samples.data(), frames);
    }
    if (written != frames)
        return errno == ENOSPC ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT;
    return S_OK;
}

} // namespace speech
