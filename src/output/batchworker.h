#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "base/result.h"

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
};

struct Answer
{
    bool ready = false;
    QString error;   // a worker that could not start says why
    int id = -1;
    HRESULT hr = S_OK;
};

QByteArray EncodeJob(const Job& job);
std::optional<Job> DecodeJob(const QByteArray& line);
QByteArray EncodeReady();
QByteArray EncodeStartFailure(const QString& error);
QByteArray EncodeDone(int id, HRESULT hr);
std::optional<Answer> DecodeAnswer(const QByteArray& line);

/// The worker's command line for a voice and a format code.
QStringList WorkerArguments(const QString& voiceId, int formatCode);

} // namespace batchprotocol

/// The worker's main loop, reading jobs from standard input until it closes: one speech
/// engine with the voice and format of `arguments` (see WorkerArguments). The exit status.
int RunBatchWorker(const QStringList& arguments);

/// The worker program beside the running program, or in ../libexec/lexovox from it (as
/// installed); LEXOVOX_WORKER names another.
QString DefaultWorkerProgram();
