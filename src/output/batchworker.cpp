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

#include "output/filetags.h"
#include "speech/audioformattable.h"
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

QByteArray EncodeJob(const Job& job)
{
    return line({{u"id"_qs, job.id}, {u"text"_qs, job.text}, {u"path"_qs, job.path}, {u"title"_qs, job.title},
                 {u"album"_qs, job.album}, {u"track"_qs, job.track}, {u"count"_qs, job.trackCount},
                 {u"meaning"_qs, job.meaning}});
}

std::optional<Job> DecodeJob(const QByteArray& text)
{
    const std::optional<QJsonObject> o = object(text);
    if (!o || !o->value(u"id").isDouble())
        return std::nullopt;
    return Job{o->value(u"id").toInt(),         o->value(u"text").toString(),  o->value(u"path").toString(),
               o->value(u"title").toString(),   o->value(u"album").toString(), o->value(u"track").toInt(),
               o->value(u"count").toInt(),      o->value(u"meaning").toString()};
}

QByteArray EncodeReady()
{
    return line({{u"ready"_qs, true}});
}

QByteArray EncodeStartFailure(const QString& error)
{
    return line({{u"error"_qs, error}});
}

QByteArray EncodeDone(int id, HRESULT hr, double seconds)
{
    return line({{u"id"_qs, id}, {u"hr"_qs, qint64(hr)}, {u"seconds"_qs, seconds}});
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
    } else if (!answer.ready && answer.error.isEmpty()) {
        return std::nullopt;
    }
    return answer;
}

QStringList WorkerArguments(const WorkerSetup& setup)
{
    const speech::FileEncoding& encoding = setup.encoding;
    QStringList arguments{u"--voice"_qs,   setup.voiceId,
                          u"--format"_qs,  QString::number(setup.formatCode),
                          u"--type"_qs,    speech::FileTypeExtension(encoding.type),
                          u"--bitrate"_qs, QString::number(encoding.mp3Kbps),
                          u"--lead"_qs,    QString::number(encoding.leadMs),
                          u"--trail"_qs,   QString::number(encoding.trailMs),
                          u"--rate"_qs,    QString::number(setup.englishRate),
                          u"--rate-chinese"_qs, QString::number(setup.chineseRate)};
    if (encoding.loudnessLufs)
        arguments << u"--loudness"_qs << QString::number(*encoding.loudnessLufs);
    return arguments;
}

WorkerSetup ParseWorkerArguments(const QStringList& arguments)
{
    const auto value = [&arguments](QStringView name) -> std::optional<QString> {
        const qsizetype at = arguments.indexOf(name.toString());
        if (at < 0 || at + 1 >= arguments.size())
            return std::nullopt;
        return arguments[at + 1];
    };
    WorkerSetup setup;
    setup.voiceId = value(u"--voice").value_or(QString());
    setup.formatCode = value(u"--format").value_or(QString()).toInt();
    speech::FileEncoding& encoding = setup.encoding;
    encoding.type = speech::FileTypeFromName(value(u"--type").value_or(QString())).value_or(speech::OutputFileType::Wav);
    if (const int kbps = value(u"--bitrate").value_or(QString()).toInt(); kbps > 0)
        encoding.mp3Kbps = kbps;
    encoding.leadMs = value(u"--lead").value_or(QString()).toInt();
    encoding.trailMs = value(u"--trail").value_or(QString()).toInt();
    if (const std::optional<QString> lufs = value(u"--loudness"))
        encoding.loudnessLufs = lufs->toDouble();
    setup.englishRate = value(u"--rate").value_or(u"100"_qs).toInt();
    setup.chineseRate = value(u"--rate-chinese").value_or(u"100"_qs).toInt();
    return setup;
}

} // namespace batchprotocol

int RunBatchWorker(const QStringList& arguments)
{
    using namespace batchprotocol;
    const WorkerSetup setup = ParseWorkerArguments(arguments);
    const speech::FileEncoding& encoding = setup.encoding;

    const auto say = [](const QByteArray& bytes) {
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
        std::fflush(stdout);
    };
    SpeechEngine engine;
    if (const Result<void> started = engine.Initialize(nullptr); !started) {
        say(EncodeStartFailure(started.error().ErrorMessage()));
        return 1;
    }
    if (!engine.SelectVoiceById(setup.voiceId)) {
        say(EncodeStartFailure(QStringLiteral("unknown voice %1").arg(setup.voiceId)));
        return 1;
    }
    if (speech::AudioFormatEntryOf(setup.formatCode) < 0 || Failed(engine.SetOutputFormat(setup.formatCode))) {
        say(EncodeStartFailure(QStringLiteral("unusable format %1").arg(setup.formatCode)));
        return 1;
    }
    if (!engine.SetSpeakingRates(setup.englishRate, setup.chineseRate)) {
        say(EncodeStartFailure(QStringLiteral("unusable rates %1 %2").arg(setup.englishRate).arg(setup.chineseRate)));
        return 1;
    }
    // Every worker says the recurring pieces (letters, labels, word-class tags) once, in the
    // same order, before its first word: the speech layer keeps them, so their sound is the
    // same in every worker and for every word.
    if (QTemporaryDir warmUp; warmUp.isValid()) {
        const QString pieces = ComposeUtterance(QStringLiteral("abcdefghijklmnopqrstuvwxyz"),
                                                QStringLiteral("n. v. vt. vi. adj. adv. prep. pron. conj. art. num. int."),
                                                SpeechOptions{true, true, true});
        engine.SpeakToFile(pieces + QStringLiteral(" ; 短语: look at"), 0, warmUp.filePath(QStringLiteral("w.wav")));
    }
    // A word's file must not depend on the words spoken before it, nor on the worker: from here
    // on espeak-ng speaks each word from the state the warm-up left, the same in every worker,
    // and keeps the warm-up's pieces for good.
    SpeechEngine::MakeEspeakRepeatable();
    say(EncodeReady());

    std::string text;
    while (std::getline(std::cin, text)) {
        const std::optional<Job> job = DecodeJob(QByteArray::fromStdString(text));
        if (!job)
            continue;
        // MP3 and Opus files are tagged before they take their name, so a file is never seen untagged.
        double seconds = 0;
        const FileTags tags{job->title, job->album, job->track, job->trackCount, job->meaning};
        const auto finish = [&](const QString& written, double length) {
            seconds = length;
            return encoding.type == speech::OutputFileType::Wav || WriteFileTags(written, encoding.type, tags).has_value();
        };
        const HRESULT hr = engine.SpeakToFile(job->text, 0, job->path, encoding, finish);
        say(EncodeDone(job->id, hr, seconds));
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
