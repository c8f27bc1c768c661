#include "output/batchworker.h"

#include <cstdio>
#include <iostream>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "output/batchjob.h"
#include "output/filetags.h"
#include "output/piecesource.h"
#include "speech/audioformattable.h"
#include "speech/chinesereadings.h"
#include "speech/chinesewords.h"
#include "speech/composeutterance.h"
#include "speech/speechengine.h"

namespace batchprotocol {
namespace {

QByteArray line(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QJsonObject> object(const QByteArray& line)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

QByteArray EncodeJob(const BatchJob& job)
{
    BatchJob withoutRows = job;
    withoutRows.rows.clear();
    return line(withoutRows.ToJson());
}

QByteArray EncodeRequest(const Request& request)
{
    return line({{u"id"_qs, request.id}, {u"text"_qs, request.text}, {u"path"_qs, request.path},
                 {u"title"_qs, request.title}, {u"album"_qs, request.album}, {u"track"_qs, request.track},
                 {u"count"_qs, request.trackCount}, {u"meaning"_qs, request.meaning}, {u"piece"_qs, request.piece}});
}

std::optional<Request> DecodeRequest(const QByteArray& text)
{
    const std::optional<QJsonObject> o = object(text);
    if (!o || !o->value(u"id").isDouble())
        return std::nullopt;
    return Request{o->value(u"id").toInt(),         o->value(u"text").toString(),  o->value(u"path").toString(),
               o->value(u"title").toString(),   o->value(u"album").toString(), o->value(u"track").toInt(),
               o->value(u"count").toInt(),      o->value(u"meaning").toString(), o->value(u"piece").toBool()};
}

QByteArray EncodeReady()
{
    return line({{u"ready"_qs, true}});
}

QByteArray EncodeStartFailure(const QString& error)
{
    return line({{u"error"_qs, error}});
}

QByteArray EncodeDone(int id, HRESULT hr, double seconds, const QString& subject)
{
    QJsonObject done{{u"id"_qs, id}, {u"hr"_qs, qint64(hr)}, {u"seconds"_qs, seconds}};
    if (!subject.isEmpty())
        done.insert(u"subject"_qs, subject);
    return line(done);
}

std::optional<Answer> DecodeAnswer(const QByteArray& text)
{
    const std::optional<QJsonObject> o = object(text);
    if (!o)
        return std::nullopt;
    Answer answer;
    answer.ready = o->value(u"ready").toBool();
    answer.error = o->value(u"error").toString();
    if (o->contains(u"id")) {
        answer.id = o->value(u"id").toInt();
        answer.hr = HRESULT(o->value(u"hr").toInteger());
        answer.seconds = o->value(u"seconds").toDouble();
        answer.subject = o->value(u"subject").toString();
    } else if (!answer.ready && answer.error.isEmpty()) {
        return std::nullopt;
    }
    return answer;
}

} // namespace batchprotocol

namespace {

void say(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

/// The job on the first line of the input, or why there is none.
Result<BatchJob> readJob()
{
    std::string text;
    if (!std::getline(std::cin, text))
        return Fail(ComError(ResultCode::JobNotReceived, u"end of input"_qs));
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return Fail(ComError(ResultCode::JobNotReceived, u"not a JSON object (%1)"_qs.arg(error.errorString())));
    Result<BatchJob> job = BatchJob::FromJson(document.object());
    if (!job)
        return job;
    if (Result<void> valid = job->Validate(); !valid)
        return Fail(valid.error());
    return job;
}

/// A speech engine ready for the job's words: its voice, format and rates, the recurring pieces
/// said once, and espeak-ng made repeatable.
Result<void> startEngine(SpeechEngine& engine, const BatchJob& job)
{
    if (Result<void> started = engine.Initialize(nullptr); !started)
        return started;
    if (Result<void> voice = engine.SelectVoiceById(job.voiceId); !voice)
        return voice;
    if (Result<void> chinese = engine.SelectChineseVoice(job.sound.chineseVoice); !chinese)
        return chinese;
    if (Failed(engine.SetOutputFormat(job.formatCode)))
        return Fail(ComError(ResultCode::JobBadFormat, QString::number(job.formatCode)));
    if (Result<void> rates = engine.SetSpeakingRates(job.sound.englishRate, job.sound.chineseRate); !rates)
        return rates;
    // Every worker says the recurring pieces (letters, labels, word-class tags) once, in the
    // same order, before its first word: the speech layer keeps them, so their sound is the
    // same in every worker and for every word.
    if (QTemporaryDir warmUp; warmUp.isValid()) {
        const QString pieces = ComposeUtterance(QStringLiteral("abcdefghijklmnopqrstuvwxyz"),
                                                QStringLiteral("n. v. vt. vi. adj. adv. prep. pron. conj. art. num. int."),
                                                SpeechOptions{true, true, true});
        // The labels as the words' texts have them: marked with their readings.
        const std::shared_ptr<const ChineseWords> readings = ChineseWords::Shipped();
        engine.SpeakToFile(MarkChineseReadings(pieces + QStringLiteral(" ; 短语: look at"), readings.get(), nullptr),
                           0, warmUp.filePath(QStringLiteral("w.wav")));
    }
    // A word's recurring pieces must not depend on the words spoken before it, nor on the
    // worker: from here on espeak-ng makes each new piece from the state the warm-up left, the
    // same in every worker, and keeps the warm-up's pieces for good. A repeatable run speaks
    // every word from that state too, so its file is the same byte for byte.
    SpeechEngine::MakeEspeakRepeatable(job.files.repeatable);
    return {};
}

} // namespace

int RunBatchWorker()
{
    using namespace batchprotocol;
    const Result<BatchJob> job = readJob();
    SpeechEngine engine;
    const Result<void> started = job ? startEngine(engine, *job) : Result<void>(Fail(job.error()));
    if (!started) {
        say(EncodeStartFailure(started.error().ErrorMessage()));
        return 1;
    }
    say(EncodeReady());

    const speech::FileEncoding encoding = job->Encoding();
    const speech::FileEncoding pieceEncoding = PieceEncoding(*job);
    std::string text;
    while (std::getline(std::cin, text)) {
        const std::optional<Request> request = DecodeRequest(QByteArray::fromStdString(text));
        if (!request)
            continue;
        // MP3 and Opus files are tagged before they take their name, so a file is never seen untagged.
        double seconds = 0;
        const FileTags tags{request->title, request->album, request->track, request->trackCount, request->meaning, {}};
        const auto finish = [&](const QString& written, double length) {
            seconds = length;
            return encoding.type == speech::OutputFileType::Wav || WriteFileTags(written, encoding.type, tags);
        };
        SpeechEngine::TakeProgramFailure();  // a warm-up's or an earlier word's
        const HRESULT hr = request->piece ? engine.SpeakToFile(request->text, 0, request->path, pieceEncoding)
                                          : engine.SpeakToFile(request->text, 0, request->path, encoding, finish);
        say(EncodeDone(request->id, hr, seconds,
                       hr == ResultCode::SpeechProgramFailed ? SpeechEngine::TakeProgramFailure() : QString()));
    }
    return 0;
}

QString DefaultWorkerProgram()
{
    if (const QByteArray named = qgetenv("LEXOVOX_WORKER"); !named.isEmpty())
        return QString::fromLocal8Bit(named);
    const QDir here(QCoreApplication::applicationDirPath());
    const QString beside = here.filePath(QStringLiteral("lexovox-worker"));
    if (QFileInfo::exists(beside))
        return beside;
    return QDir::cleanPath(here.filePath(QStringLiteral("../libexec/lexovox/lexovox-worker")));
}
