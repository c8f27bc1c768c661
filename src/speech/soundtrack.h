#pragma once

#include <memory>
#include <optional>

#include <QString>

#include "base/comerror.h"
#include "speech/fileencoding.h"

namespace speech {

/// Where a piece went in a track, in seconds from the track's start.
struct TrackPiece
{
    double start = 0;  // its first sample
    double sound = 0;  // its first sample that is not near-silence: where its speech begins
    double seconds = 0;  // its length
};

/// One long sound file joined from pieces in order, with silence between them: a lesson's
/// words, each spoken into its own WAV (FileEncoding::pcmFor), in one file of the lesson's type.
/// The pieces already have their loudness, so the track is written as it comes, never held
/// whole. Written as every sound file is: under a temporary name until Commit; destroyed
/// without it, nothing is left.
class SoundTrack
{
public:
    SoundTrack();
    ~SoundTrack();
    SoundTrack(const SoundTrack&) = delete;
    SoundTrack& operator=(const SoundTrack&) = delete;

    /// Starts the file at `path`, of `encoding`'s type and bit rate, from the PCM a file of that
    /// type is encoded from when `formatCode` (a code of the format table) is chosen. The
    /// encoding's silence and loudness are not applied: the pieces carry them. Its failures,
    /// and those of AppendSilence and Commit, have the track's path as their subject.
    Result<void> Open(const QString& path, int formatCode, const FileEncoding& encoding);
    /// Appends the WAV at `piece`, brought as a whole to `loudnessLufs` (its parts keep their
    /// balance; the pieces of a track each at the target make the track as a whole come to
    /// it, which parts levelled apart do only within about a unit). It must be in the track's
    /// PCM format (E_INVALIDARG when
    /// its rate or channels differ, E_FAIL when it cannot be read), the piece as subject; a
    /// failed write of the track gives its error.
    Result<TrackPiece> AppendPiece(const QString& piece, std::optional<double> loudnessLufs = {});
    Result<void> AppendSilence(int ms);
    /// The length written so far.
    double Seconds() const;
    /// Completes the file, runs `finisher` on it (tags) and gives it its name; see FileStream.
    Result<void> Commit(const FileFinisher& finisher = {});

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace speech
