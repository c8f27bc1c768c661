#pragma once

#include <cstdint>
#include <memory>

#include <QString>

#include "speech/platform/fileencoding.h"
#include "speech/platform/outputstream.h"
#include "speech/platform/waveformat.h"

namespace speech {

enum class FileMode {
    OpenForRead = 0,
    OpenReadWrite = 1,
    Create = 2,
    CreateAlways = 3,
};

/// A sound file as a voice output: a WAV file (libsndfile; 8-bit files are unsigned PCM, 16-bit
/// ones signed), an MP3 file (Mp3Writer: LAME, constant bit rate) or Opus in Ogg (libsndfile). A stereo
/// file carries the voice on both channels. MP3 and Opus files take the format
/// EncodedWaveFormat gives, and GetFormat reports it, so the voice converts to it.
///
/// Silence at either end and a loudness to reach (see FileEncoding) make the stream hold the
/// sound until Commit, which adds the one and levels it to the other (LevelLoudness).
///
/// The sound goes to a temporary file beside the target. Commit puts it under the target's name
/// (replacing a file there) in one rename; a stream released without Commit removes its
/// temporary file and leaves the target as it was. So no reader ever sees a truncated WAV.
class FileStream : public OutputStream
{
public:
    FileStream();
    ~FileStream() override;

    /// Prepares `path` in `format`. Only FileMode::CreateAlways and a supported PCM wave format
    /// are accepted. STG_E_PATHNOTFOUND when the folder does not exist, STG_E_ACCESSDENIED when
    /// nothing can be created in it. `eventInterest` is kept for the caller's sake; the file
    /// raises no events of its own.
    HRESULT BindToFile(const QString& path, FileMode mode, FormatId id, const WaveFormat& format,
                       std::uint64_t eventInterest, const FileEncoding& encoding = {});
    /// Runs `finisher` in Commit on the complete file before it is renamed into place.
    void SetFinisher(FileFinisher finisher);
    /// Completes the file (WAV header, last MP3 frames, Ogg pages), runs the finisher and renames
    /// the file into place. Fails, removing the temporary file, when a write failed, the
    /// finisher returned false (E_FAIL) or the rename failed. A file that ends up shorter than
    /// what was written to it, or empty, is never committed; a full disk reads STG_E_MEDIUMFULL.
    HRESULT Commit();

    QString GetPath() const;
    /// The length of the sound written so far, in seconds.
    double GetWrittenSeconds() const;

    HRESULT GetFormat(FormatId& id, WaveFormat& format) const override;
    HRESULT BeginWriting() override;
    HRESULT Write(std::span<const std::int16_t> samples) override;
    void BeginPart(Script script) override;
    HRESULT EndWriting() override;
    void Discard() override;

protected:
    /// Appends interleaved 16-bit frames to the open sound file (libsndfile narrows them to 8
    /// bits where the format says so; MP3 frames go to LAME). Tests override it to fail.
    virtual HRESULT WriteFrames(std::span<const std::int16_t> samples);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace speech
