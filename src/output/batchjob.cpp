#include "output/batchjob.h"

#include <algorithm>
#include <cmath>

#include <QFileInfo>
#include <QJsonArray>
#include <QStringList>

#include "output/filetags.h"
#include "output/outputpath.h"
#include "speech/audioformattable.h"
#include "speech/speakingrate.h"
#include "vocab/vocabimporter.h"
#include "vocab/wordlistfill.h"
#include "vocab/wordlistmodel.h"
#include "vocab/wordstatements.h"

namespace {

Result<void> invalid(HRESULT code, const QString& allowed)
{
    return Fail(ComError(code, allowed));
}

QString range(double low, double high)
{
    return u"%1–%2"_qs.arg(low).arg(high);
}

bool within(int value, int low, int high)
{
    return value >= low && value <= high;
}

/// "64, 80, 96": the values, lowest first as given.
QString listed(const std::vector<int>& values)
{
    QStringList texts;
    for (const int value : values)
        texts.append(QString::number(value));
    return texts.join(u", ");
}

const QString kSourceKinds[] = {u"course"_qs, u"find-en"_qs, u"find-ch"_qs, u"words"_qs};

} // namespace

QString WordSource::Album() const
{
    switch (kind) {
    case Kind::Course:
        return text;
    case Kind::EnglishLookUp:
    case Kind::ChineseLookUp:
        return LookupAlbum(text);
    case Kind::WordsFile:
        return QFileInfo(text).completeBaseName();
    }
    return text;
}

speech::FileEncoding BatchJob::Encoding() const
{
    speech::FileEncoding encoding = files.encoding;
    sound.ApplyTo(encoding);
    return encoding;
}

Result<void> BatchJob::Validate(FolderRule folderRule) const
{
    using speech::FileEncoding;
    using namespace ResultCode;
    if (!IsUsableOutputFolder(folder))
        return invalid(JobNoFolder, {});
    const QFileInfo place(folder);
    if (!place.exists() && folderRule == FolderRule::MustExist)
        return invalid(JobFolderMissing, folder);
    if (place.exists() && !place.isDir())
        return invalid(JobNotAFolder, folder);
    if (speech::AudioFormatEntryOf(formatCode) < 0)
        return invalid(JobBadFormat, QString::number(formatCode));
    if (!within(jobs, 0, kMaxJobs))
        return invalid(JobBadProcesses, range(1, kMaxJobs));
    // An MP3 is written at the rate asked or not at all; WAV and Opus have no bit rate to ask.
    if (files.encoding.type == speech::OutputFileType::Mp3) {
        const std::vector<int> rates = speech::Mp3BitRatesOfFormat(formatCode);
        if (std::ranges::find(rates, files.encoding.mp3Kbps) == rates.end())
            return invalid(JobBadBitRate, listed(rates));
    }
    if (!within(sound.repeat, 1, kMaxRepeat))
        return invalid(JobBadRepeat, range(1, kMaxRepeat));
    if (sound.pauseMs != -1 && !within(sound.pauseMs, 0, kMaxPauseMs))
        return invalid(JobBadPause, range(0, kMaxPauseMs));
    if (!within(sound.leadMs, 0, FileEncoding::kMaxSilenceMs) || !within(sound.trailMs, 0, FileEncoding::kMaxSilenceMs))
        return invalid(JobBadSilence, range(0, FileEncoding::kMaxSilenceMs));
    if (!within(sound.englishRate, speech::kMinRatePercent, speech::kMaxRatePercent)
        || !within(sound.chineseRate, speech::kMinRatePercent, speech::kMaxRatePercent))
        return invalid(JobBadRate, range(speech::kMinRatePercent, speech::kMaxRatePercent));
    // NaN compares false with everything, so it is refused by name.
    if (const std::optional<double> lufs = sound.loudnessLufs;
        lufs && (!std::isfinite(*lufs) || *lufs < FileEncoding::kMinLoudnessLufs || *lufs > FileEncoding::kMaxLoudnessLufs))
        return invalid(JobBadLoudness, range(FileEncoding::kMinLoudnessLufs, FileEncoding::kMaxLoudnessLufs));
    if (lesson.track && !within(lesson.pauseMs, LessonOptions::kMinPauseMs, LessonOptions::kMaxPauseMs))
        return invalid(JobBadLessonPause, range(LessonOptions::kMinPauseMs, LessonOptions::kMaxPauseMs));
    // A list the user named must be there; the default one only when it exists.
    if (const QString path = sound.PronunciationsPath(); !sound.pronunciations.isEmpty() || QFileInfo::exists(path)) {
        if (const Result<PronunciationList> list = PronunciationList::Read(path); !list)
            return Fail(list.error());
    }
    return {};
}

QJsonObject BatchJob::ToJson() const
{
    QJsonArray words;
    for (const WordEntry& row : rows)
        words.append(QJsonArray{row.en, row.ch});
    const speech::FileEncoding& encoding = files.encoding;
    QJsonObject json{
        {u"source"_qs, QJsonObject{{u"kind"_qs, kSourceKinds[int(source.kind)]}, {u"text"_qs, source.text}}},
        {u"rows"_qs, words},
        {u"folder"_qs, folder},
        {u"voice"_qs, voiceId},
        {u"format"_qs, formatCode},
        {u"speech"_qs, QJsonObject{{u"spell"_qs, speech.spellOut}, {u"meaning"_qs, speech.chineseMeaning},
                                   {u"labels"_qs, speech.prefix}}},
        {u"files"_qs, QJsonObject{{u"type"_qs, speech::FileTypeExtension(encoding.type)},
                                  {u"bitrate"_qs, encoding.mp3Kbps},
                                  {u"numbered"_qs, files.numbered},
                                  {u"playlist"_qs, files.playlist},
                                  {u"repeatable"_qs, files.repeatable}}},
        {u"sound"_qs, QJsonObject{{u"repeat"_qs, sound.repeat}, {u"pause"_qs, sound.pauseMs},
                                  {u"lead"_qs, sound.leadMs}, {u"trail"_qs, sound.trailMs},
                                  {u"rate"_qs, sound.englishRate}, {u"rateChinese"_qs, sound.chineseRate},
                                  {u"pronunciations"_qs, sound.pronunciations}}},
        {u"lesson"_qs, QJsonObject{{u"track"_qs, lesson.track}, {u"perWord"_qs, lesson.perWord},
                                   {u"pause"_qs, lesson.pauseMs}, {u"sheet"_qs, int(lesson.sheet)},
                                   {u"key"_qs, lesson.key}}},
        {u"skipExisting"_qs, skipExisting},
        {u"jobs"_qs, jobs},
    };
    QJsonObject filesJson = json[u"files"].toObject();
    if (files.cardSafe)
        filesJson[u"cardSafe"_qs] = *files.cardSafe;
    json[u"files"_qs] = filesJson;
    QJsonObject soundJson = json[u"sound"].toObject();
    if (sound.loudnessLufs)
        soundJson[u"loudness"_qs] = *sound.loudnessLufs;
    json[u"sound"_qs] = soundJson;
    return json;
}

namespace {

/// Reads the members of one JSON object, remembering the first that is missing or mistyped.
class Reader
{
public:
    Reader(const QJsonObject& object, QString path, QString* fault)
        : m_object(object), m_path(std::move(path)), m_fault(fault)
    {
    }

    QJsonValue take(const QString& name, QJsonValue::Type type, bool optional = false)
    {
        const QJsonValue value = m_object.value(name);
        if ((optional && value.isUndefined()) || !m_fault->isEmpty())
            return {};
        if (value.type() != type)
            *m_fault = m_path + name;
        return value;
    }
    QString text(const QString& name) { return take(name, QJsonValue::String).toString(); }
    int number(const QString& name) { return take(name, QJsonValue::Double).toInt(); }
    bool flag(const QString& name) { return take(name, QJsonValue::Bool).toBool(); }
    Reader object(const QString& name) { return {take(name, QJsonValue::Object).toObject(), m_path + name + u'.', m_fault}; }

private:
    QJsonObject m_object;
    QString m_path;
    QString* m_fault;
};

} // namespace

Result<BatchJob> BatchJob::FromJson(const QJsonObject& json)
{
    QString fault;
    Reader top(json, {}, &fault);
    BatchJob job;

    Reader source = top.object(u"source"_qs);
    const QString kind = source.text(u"kind"_qs);
    const auto known = std::find(std::begin(kSourceKinds), std::end(kSourceKinds), kind);
    if (fault.isEmpty() && known == std::end(kSourceKinds))
        fault = u"source.kind"_qs;
    job.source = {WordSource::Kind(known - std::begin(kSourceKinds)), source.text(u"text"_qs)};
    for (const QJsonValue& row : top.take(u"rows"_qs, QJsonValue::Array).toArray()) {
        const QJsonArray pair = row.toArray();
        if (pair.size() != 2 || !pair[0].isString() || !pair[1].isString()) {
            fault = fault.isEmpty() ? u"rows"_qs : fault;
            break;
        }
        job.rows.push_back({pair[0].toString(), pair[1].toString()});
    }
    job.folder = top.text(u"folder"_qs);
    job.voiceId = top.text(u"voice"_qs);
    job.formatCode = top.number(u"format"_qs);
    Reader speechJson = top.object(u"speech"_qs);
    job.speech = {speechJson.flag(u"spell"_qs), speechJson.flag(u"meaning"_qs), speechJson.flag(u"labels"_qs)};

    Reader filesJson = top.object(u"files"_qs);
    const std::optional<speech::OutputFileType> type = speech::FileTypeFromName(filesJson.text(u"type"_qs));
    if (fault.isEmpty() && !type)
        fault = u"files.type"_qs;
    job.files.encoding = speech::FileEncoding::Of(type.value_or(speech::OutputFileType::Wav),
                                                  filesJson.number(u"bitrate"_qs));
    job.files.numbered = filesJson.flag(u"numbered"_qs);
    job.files.playlist = filesJson.flag(u"playlist"_qs);
    job.files.repeatable = filesJson.flag(u"repeatable"_qs);
    if (const QJsonValue safe = filesJson.take(u"cardSafe"_qs, QJsonValue::Bool, true); safe.isBool())
        job.files.cardSafe = safe.toBool();

    Reader soundJson = top.object(u"sound"_qs);
    job.sound.repeat = soundJson.number(u"repeat"_qs);
    job.sound.pauseMs = soundJson.number(u"pause"_qs);
    job.sound.leadMs = soundJson.number(u"lead"_qs);
    job.sound.trailMs = soundJson.number(u"trail"_qs);
    job.sound.englishRate = soundJson.number(u"rate"_qs);
    job.sound.chineseRate = soundJson.number(u"rateChinese"_qs);
    job.sound.pronunciations = soundJson.text(u"pronunciations"_qs);
    job.sound.loudnessLufs.reset();
    if (const QJsonValue lufs = soundJson.take(u"loudness"_qs, QJsonValue::Double, true); lufs.isDouble())
        job.sound.loudnessLufs = lufs.toDouble();

    Reader lessonJson = top.object(u"lesson"_qs);
    job.lesson.track = lessonJson.flag(u"track"_qs);
    job.lesson.perWord = lessonJson.flag(u"perWord"_qs);
    job.lesson.pauseMs = lessonJson.number(u"pause"_qs);
    const int sheet = lessonJson.number(u"sheet"_qs);
    if (fault.isEmpty() && (sheet < int(LessonOptions::Sheet::None) || sheet > int(LessonOptions::Sheet::Chinese)))
        fault = u"lesson.sheet"_qs;
    job.lesson.sheet = LessonOptions::Sheet(sheet);
    job.lesson.key = lessonJson.flag(u"key"_qs);

    job.skipExisting = top.flag(u"skipExisting"_qs);
    job.jobs = top.number(u"jobs"_qs);
    if (!fault.isEmpty())
        return Fail(ComError(ResultCode::JobNotADocument, fault));
    return job;
}

Result<std::vector<WordEntry>> ReadSourceRows(const WordSource& source, WordStore* store)
{
    if (source.kind == WordSource::Kind::WordsFile)
        return ReadWordList(source.text);
    const QString statement = source.kind == WordSource::Kind::Course          ? CourseStatement(source.text)
                              : source.kind == WordSource::Kind::EnglishLookUp ? EnglishLookUpStatement(source.text)
                                                                               : ChineseLookUpStatement(source.text);
    WordListModel model;
    if (const Result<int> filled = FillWordList(store, statement, model); !filled)
        return Fail(filled.error());
    std::vector<WordEntry> rows;
    rows.reserve(std::size_t(model.rowCount()));
    for (int row = 0; row < model.rowCount(); ++row)
        rows.push_back({model.en(row), model.ch(row)});
    return rows;
}
