#pragma once

#include <functional>
#include <optional>

#include <QString>

#include "speech/fileencoding.h"

struct BatchJob;
struct BatchReport;

/// A piece of sound a run speaks besides the words' own files, for something that joins pieces
/// into a whole: a WAV as PieceEncoding says, spoken to `path`, untagged.
struct RunPiece
{
    int id = 0;    // the source's own number for it
    QString text;  // what the voice says
    QString path;  // where the WAV goes
};

/// How every piece is spoken: a WAV in the PCM a file of the job's type is encoded from,
/// levelled to the run's loudness (the program's usual one when the run has none, since pieces
/// are heard together), with no silence of its own at the ends.
speech::FileEncoding PieceEncoding(const BatchJob& job);

/// What a run makes of pieces (a dictation lesson). BatchEngine asks it for pieces once the
/// words' own files are handed out, tells it how each one went, and lets it write its own
/// files at the end. Every call comes on the engine's thread.
class PieceSource
{
public:
    virtual ~PieceSource() = default;

    /// At the run's start, before any other call; a failure to begin goes into `report`.
    /// `changed` may be called on any thread whenever Next, Done, Left or Waiting may answer
    /// anew (a piece was used).
    virtual void Begin(BatchReport& report, std::function<void()> changed) = 0;
    /// The pieces it will ask for, which the run's total counts.
    virtual int Total() const = 0;
    /// Of those, how many count as done in the run's progress.
    virtual int Done() const = 0;
    /// How many are still to be handed out.
    virtual int Left() const = 0;
    /// The next piece to speak now, with `workers` workers in the run; none while the source
    /// wants no more for now, or has none left.
    virtual std::optional<RunPiece> Next(int workers) = 0;
    /// Whether the run must wait for it before ending: pieces to hand out, or spoken ones not
    /// yet used.
    virtual bool Waiting() const = 0;
    /// Piece `id` is spoken to its path.
    virtual void Spoken(int id) = 0;
    /// Piece `id` failed for `reason`, as the run's report words it.
    virtual void Failed(int id, const QString& reason) = 0;
    /// The pieces not yet handed out cannot be spoken (no worker starts), for `reason`.
    virtual void Unspeakable(const QString& reason) = 0;
    /// The run's end, `stopped` when a stop left pieces out: writes what the source makes of
    /// them and puts its files and failures into `report`.
    virtual void Finish(bool stopped, BatchReport& report) = 0;
};
