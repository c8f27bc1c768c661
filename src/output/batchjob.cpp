#include "output/batchjob.h"

#include <algorithm>

#include <QFileInfo>
#include <QJsonArray>
#include <QStringList>

#include "output/filetags.h"
#include "output/joboptions.h"
#include "output/outputpath.h"
#include "speech/audioformattable.h"
#include "vocab/coursecatalogue.h"
#include "vocab/ownlists.h"
#include "vocab/vocabimporter.h"
#include "vocab/wordlistfill.h"
#include "vocab/wordlistmodel.h"
#include "vocab/wordstatements.h"

namespace {

Result<void> invalid(HRESULT code, const QString& allowed)
{
    return Fail(ComError(code, allowed));
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
    // An MP3 is written at the rate asked or not at all; WAV and Opus have no bit rate to ask.
    if (files.encoding.type == speech::OutputFileType::Mp3) {
        const std::vector<int> rates = speech::Mp3BitRatesOfFormat(formatCode);
        if (std::ranges::find(rates, files.encoding.mp3Kbps) == rates.end())
            return invalid(JobBadBitRate, listed(rates));
    }
    if (Result<void> ranges = CheckJobOptionRanges(*this); !ranges)
        return ranges;
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
    QJsonObject json{
        {u"source"_qs, QJsonObject{{u"kind"_qs, kSourceKinds[int(source.kind)]}, {u"text"_qs, source.text}}},
        {u"rows"_qs, words},
        {u"folder"_qs, folder},
        {u"voice"_qs, voiceId},
        {u"format"_qs, formatCode},
    };
    JobOptionsToJson(*this, json);
    return json;
}

Result<BatchJob> BatchJob::FromJson(const QJsonObject& json)
{
    BatchJob job;
    std::optional<QString> fault;
    const auto take = [&](const QString& name, QJsonValue::Type type) {
        const QJsonValue value = json.value(name);
        if (!fault && value.type() != type)
            fault = name;
        return value;
    };
    const QJsonObject source = take(u"source"_qs, QJsonValue::Object).toObject();
    const auto known = std::find(std::begin(kSourceKinds), std::end(kSourceKinds), source.value(u"kind").toString());
    if (!fault && known == std::end(kSourceKinds))
        fault = u"source.kind"_qs;
    else if (!fault && !source.value(u"text").isString())
        fault = u"source.text"_qs;
    else if (!fault)
        job.source = {WordSource::Kind(known - std::begin(kSourceKinds)), source.value(u"text").toString()};
    for (const QJsonValue& row : take(u"rows"_qs, QJsonValue::Array).toArray()) {
        const QJsonArray pair = row.toArray();
        if (pair.size() != 2 || !pair[0].isString() || !pair[1].isString()) {
            fault = fault.value_or(u"rows"_qs);
            break;
        }
        job.rows.push_back({pair[0].toString(), pair[1].toString()});
    }
    job.folder = take(u"folder"_qs, QJsonValue::String).toString();
    job.voiceId = take(u"voice"_qs, QJsonValue::String).toString();
    job.formatCode = take(u"format"_qs, QJsonValue::Double).toInt();
    if (!fault)
        fault = JobOptionsFromJson(json, job);
    if (fault)
        return Fail(ComError(ResultCode::JobNotADocument, *fault));
    return job;
}

namespace {

Result<std::vector<WordEntry>> ownListRows(const QString& name, OwnLists& lists)
{
    const Result<QList<OwnListWord>> words = lists.Words(name);
    if (!words)
        return Fail(words.error());
    std::vector<WordEntry> rows;
    rows.reserve(std::size_t(words->size()));
    for (const OwnListWord& word : *words)
        rows.push_back({word.en, word.ch});
    return rows;
}

} // namespace

Result<std::vector<WordEntry>> ReadSourceRows(const WordSource& source, WordStore* store, OwnLists* lists)
{
    if (source.kind == WordSource::Kind::WordsFile)
        return ReadWordList(source.text);
    // Own lists never take a book's name, so a name is the vocabulary's when it has words of it.
    const bool ownList = source.kind == WordSource::Kind::Course && lists && lists->IsOpen()
                         && !IsCatalogueBook(source.text) && lists->Has(source.text);
    if (ownList && !store)
        return ownListRows(source.text, *lists);
    const QString statement = source.kind == WordSource::Kind::Course          ? CourseStatement(source.text)
                              : source.kind == WordSource::Kind::EnglishLookUp ? EnglishLookUpStatement(source.text)
                                                                               : ChineseLookUpStatement(source.text);
    WordListModel model;
    if (const Result<int> filled = FillWordList(store, statement, model); !filled)
        return Fail(filled.error());
    if (ownList && model.rowCount() == 0)
        return ownListRows(source.text, *lists);
    std::vector<WordEntry> rows;
    rows.reserve(std::size_t(model.rowCount()));
    for (int row = 0; row < model.rowCount(); ++row)
        rows.push_back({model.en(row), model.ch(row)});
    return rows;
}
