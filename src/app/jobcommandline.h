#pragma once

#include <vector>

#include <QString>

#include "base/comerror.h"
#include "output/batchjob.h"
#include "speech/voicecatalogue.h"

class QCommandLineParser;

/// What a command line takes from the speech engine when it does not say: the voices to find
/// --voice among, and the voice and format the engine starts with.
struct BatchDefaults
{
    std::vector<speech::VoiceInfo> voices;
    QString voiceId;
    int formatCode = 18;
};

/// Adds the options that describe a run: --out, the word source (--course, --find-en, --find-ch,
/// --words), --voice, --format, and every option of JobOptions by its flag.
void AddBatchJobOptions(QCommandLineParser& parser);

/// The job a parsed command line describes, without its rows (ReadSourceRows reads them), the
/// defaults for what it does not say. A usage error, in words, for options that do not fit
/// together or do not parse; the values' ranges are BatchJob::Validate's to check.
Result<BatchJob> ReadBatchJob(const QCommandLineParser& parser, const BatchDefaults& defaults);

/// Why a job read from the command line cannot run, as BatchJob::Validate says it, after the
/// flag whose value is out of range ("--repeat: The number of repeats is not 1–5").
QString CommandLineFault(const BatchJob& job, const ComError& error);
