#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "base/result.h"
#include "speech/fileencoding.h"

struct BatchJob;

/// How a batch talks to its speech workers: one JSON object a line on the worker's standard
/// input and output. The first line a worker reads is the run's job (BatchJob::ToJson, without
/// its rows); it then says {"ready":true} (or {"error":"…"} and exits), and answers each
/// {"id":n,"text":"…","path":"…"} with {"id":n,"hr":code} once the file is in place or has
/// failed. It ends when its input closes.
namespace batchprotocol {

/// One word for a worker to speak into its file.
struct Request
{
    int id = -1;
    QString text;
    QString path;
    // Tags of an MP3 or Opus file.
    QString title;
    QString album;
    int track = 0;
    int trackCount = 0;
    QString meaning;
    bool piece = false;  // a piece (RunPiece): a WAV as PieceEncoding says, untagged
};

struct Answer
{
    bool ready = false;
    QString error;   // a worker that could not start says why
    int id = -1;
    HRESULT hr = S_OK;
    double seconds = 0;  // the length of the sound written
    QString subject;     // what the failure concerns, for its message
};

/// The job line a worker reads first: `job` without its rows, which the worker does not need.
QByteArray EncodeJob(const BatchJob& job);
QByteArray EncodeRequest(const Request& request);
std::optional<Request> DecodeRequest(const QByteArray& line);
QByteArray EncodeReady();
QByteArray EncodeStartFailure(const QString& error);
QByteArray EncodeDone(int id, HRESULT hr, double seconds = 0, const QString& subject = {});
std::optional<Answer> DecodeAnswer(const QByteArray& line);

} // namespace batchprotocol

/// The worker's main loop: reads the job from standard input, starts one speech engine with its
/// voice, format and rates, then speaks the requests that follow until the input closes. The
/// exit status: 0, or 1 when the job is broken or the engine cannot start (said on stdout).
int RunBatchWorker();

/// The worker program beside the running program, or in ../libexec/lexovox from it (as
/// installed); LEXOVOX_WORKER names another.
QString DefaultWorkerProgram();
