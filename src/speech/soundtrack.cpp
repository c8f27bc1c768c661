#include "speech/soundtrack.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <QFile>

#include <sndfile.h>

#include "base/cfree.h"
#include "speech/platform/filestream.h"
#include "speech/platform/loudness.h"
#include "speech/platform/streamformat.h"

namespace speech {
namespace {

using SoundFile = CHandle<SNDFILE, &sf_close>;

// A sample below this (-40 dBFS) is the near-silence a voice starts a text with, not speech.
constexpr int kSoundThreshold = 328;
constexpr std::uint64_t kBlockFrames = 4096;

} // namespace

struct SoundTrack::Private
{
    FileStream stream;
    QString path;
    WaveFormat format;
    std::uint64_t frames = 0;
    bool open = false;

    double SecondsAt(std::uint64_t frame) const { return double(frame) / format.samplesPerSec; }
};

SoundTrack::SoundTrack()
    : d(std::make_unique<Private>())
{
}

SoundTrack::~SoundTrack() = default;  // an uncommitted stream removes its temporary file

Result<void> SoundTrack::Open(const QString& path, int formatCode, const FileEncoding& encoding)
{
    d->path = path;
    FormatId id = FormatId::Null;
    std::optional<WaveFormat> chosen;
    if (const HRESULT hr = StreamFormatToWaveFormat(formatCode, id, chosen); Failed(hr) || !chosen)
        return Fail(ComError(Failed(hr) ? hr : SPERR_UNSUPPORTED_FORMAT, path));
    // Joined as they come: nothing held for silence at the ends or for levelling.
    FileEncoding plain = FileEncoding::Of(encoding.type, encoding.mp3Kbps);
    if (const HRESULT hr = d->stream.BindToFile(path, FileMode::CreateAlways, id, *chosen, 0, plain); Failed(hr))
        return Fail(ComError(hr, path));
    FormatId boundId = FormatId::Null;
    d->stream.GetFormat(boundId, d->format);
    d->open = true;
    return {};
}

Result<TrackPiece> SoundTrack::AppendPiece(const QString& piece, std::optional<double> loudnessLufs)
{
    if (!d->open)
        return Fail(ComError(SPERR_UNINITIALIZED, piece));
    SF_INFO info{};
    const SoundFile file(sf_open(QFile::encodeName(piece).constData(), SFM_READ, &info));
    if (!file)
        return Fail(ComError(E_FAIL, piece));
    if (info.samplerate != int(d->format.samplesPerSec) || info.channels != d->format.channels || info.frames < 0)
        return Fail(ComError(E_INVALIDARG, piece));
    // A piece is a word of a few seconds: read whole, to be measured as one.
    std::vector<std::int16_t> samples(std::size_t(info.frames) * std::size_t(info.channels));
    const sf_count_t frames = sf_readf_short(file.get(), samples.data(), info.frames);
    if (frames != info.frames)
        return Fail(ComError(E_FAIL, piece));
    if (loudnessLufs)
        LevelLoudness(samples, info.channels, d->format.samplesPerSec, {}, *loudnessLufs, FileEncoding::kMaxTruePeakDb);

    TrackPiece placed{d->SecondsAt(d->frames), d->SecondsAt(d->frames), d->SecondsAt(std::uint64_t(frames))};
    const auto loud = std::find_if(samples.begin(), samples.end(), [](std::int16_t s) { return std::abs(int(s)) >= kSoundThreshold; });
    if (loud != samples.end())
        placed.sound += d->SecondsAt(std::uint64_t(loud - samples.begin()) / std::uint64_t(info.channels));
    if (const HRESULT hr = d->stream.Write(samples); Failed(hr))
        return Fail(ComError(hr, d->path));
    d->frames += std::uint64_t(frames);
    return placed;
}

Result<void> SoundTrack::AppendSilence(int ms)
{
    if (!d->open)
        return Fail(ComError(SPERR_UNINITIALIZED, d->path));
    const std::uint64_t frames = std::uint64_t(d->format.samplesPerSec) * std::uint64_t(std::max(ms, 0)) / 1000;
    const std::vector<std::int16_t> silence(std::size_t(kBlockFrames) * d->format.channels, 0);
    for (std::uint64_t left = frames; left > 0;) {
        const std::uint64_t now = std::min(left, kBlockFrames);
        if (const HRESULT hr = d->stream.Write({silence.data(), std::size_t(now) * d->format.channels}); Failed(hr))
            return Fail(ComError(hr, d->path));
        left -= now;
    }
    d->frames += frames;
    return {};
}

double SoundTrack::Seconds() const
{
    return d->SecondsAt(d->frames);
}

Result<void> SoundTrack::Commit(const FileFinisher& finisher)
{
    if (!d->open)
        return Fail(ComError(SPERR_UNINITIALIZED, d->path));
    d->open = false;
    d->stream.SetFinisher(finisher);
    if (const HRESULT hr = d->stream.Commit(); Failed(hr))
        return Fail(ComError(hr, d->path));
    return {};
}

} // namespace speech
