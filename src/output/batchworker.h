#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "base/result.h"
#include "speech/fileencoding.h"

/// How a batch talks to its speech workers: one JSON object a line on the worker's standard
/// input and output. A worker first says {"ready":true} (or {"error":"…"} and exits), then
/// answers each {"id":n,"text":"…","path":"…"} with {"id":n,"hr":code} once the file is in
/// place or has failed. It ends when its input closes.
namespace batchprotocol {

struct Job
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
};

struct Answer
{
    bool ready = false;
    QString error;   // a worker that could not start says why
    int id = -1;
    HRESULT hr = S_OK;
    double seconds = 0;  // the length of the sound written
};

QByteArray EncodeJob(const Job& job);
std::optional<Job> DecodeJob(const QByteArray& line);
QByteArray EncodeReady();
QByteArray EncodeStartFailure(const QString& error);
QByteArray EncodeDone(int id, HRESULT hr, double seconds = 0);
std::optional<Answer> DecodeAnswer(const QByteArray& line);

/// How a worker speaks: its voice, format, files and rates.
struct WorkerSetup
{
    QString voiceId;
    int formatCode = 0;
    speech::FileEncoding encoding;
    int englishRate = 100;
    int chineseRate = 100;

    bool operator==(const WorkerSetup&) const = default;
};

/// The worker's command line for `setup`, and back.
QStringList WorkerArguments(const WorkerSetup& setup);
WorkerSetup ParseWorkerArguments(const QStringList& arguments);

} // namespace batchprotocol

/// The worker's main loop, reading jobs from standard input until it closes: one speech
/// engine with the voice and format of `arguments` (see WorkerArguments). The exit status.
int RunBatchWorker(const QStringList& arguments);

/// The worker program beside the running program, or in ../libexec/lexovox from it (as
/// installed); LEXOVOX_WORKER names another.
QString DefaultWorkerProgram();
