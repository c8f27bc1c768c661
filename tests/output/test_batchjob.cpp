#include <cmath>
#include <limits>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "output/batchjob.h"
#include "output/batchworker.h"

namespace {

using speech::OutputFileType;

BatchJob everythingSet(const QString& folder)
{
    BatchJob job;
    job.source = {WordSource::Kind::ChineseLookUp, u"银行"_qs};
    job.rows = {{u"bank"_qs, u"n. 银行；岸"_qs}, {u"line\nbreak"_qs, u"\"引号\""_qs}};
    job.folder = folder;
    job.voiceId = u"HKEY_LOCAL_MACHINE\\Voices\\Tokens\\Some"_qs;
    job.formatCode = 22;
    job.speech = {true, false, true};
    job.files.encoding = speech::FileEncoding::Of(OutputFileType::Opus, 96);
    job.files.numbered = true;
    job.files.playlist = true;
    job.files.repeatable = true;
    job.files.cardSafe = false;
    job.sound.repeat = 3;
    job.sound.pauseMs = 1500;
    job.sound.leadMs = 0;
    job.sound.trailMs = 2000;
    job.sound.loudnessLufs = -23.5;
    job.sound.englishRate = 80;
    job.sound.chineseRate = 120;
    job.sound.pronunciations = u"/somewhere/list.txt"_qs;
    job.lesson = {true, false, 12000, LessonOptions::Sheet::Chinese, true};
    job.skipExisting = true;
    job.jobs = 3;
    return job;
}

TEST(BatchJob, ComesBackFromItsJsonUnchanged)
{
    const BatchJob full = everythingSet(u"/out"_qs);
    // Through text, as the worker reads it.
    const QJsonDocument text = QJsonDocument::fromJson(QJsonDocument(full.ToJson()).toJson(QJsonDocument::Compact));
    const Result<BatchJob> back = BatchJob::FromJson(text.object());
    ASSERT_TRUE(back) << back.error().ErrorMessage().toStdString();
    EXPECT_EQ(*back, full);

    // Unset choices stay unset: the card-safe default and no loudness.
    BatchJob plain;
    plain.sound.loudnessLufs.reset();
    const Result<BatchJob> plainBack = BatchJob::FromJson(plain.ToJson());
    ASSERT_TRUE(plainBack);
    EXPECT_EQ(*plainBack, plain);
    EXPECT_FALSE(plainBack->files.cardSafe);
    EXPECT_FALSE(plainBack->sound.loudnessLufs);

    // The worker's line carries no rows and is one line.
    const QByteArray line = batchprotocol::EncodeJob(full);
    EXPECT_EQ(line.count('\n'), 1);
    EXPECT_TRUE(line.endsWith('\n'));
    EXPECT_TRUE(BatchJob::FromJson(QJsonDocument::fromJson(line).object())->rows.empty());
}

TEST(BatchJob, ABrokenDocumentIsRefusedNamingWhatIsWrong)
{
    const QJsonObject good = everythingSet(u"/out"_qs).ToJson();
    const auto without = [&](const QString& key) {
        QJsonObject o = good;
        o.remove(key);
        return o;
    };
    const auto with = [&](const QString& key, const QJsonValue& value) {
        QJsonObject o = good;
        o[key] = value;
        return o;
    };
    QJsonObject badKind = good;
    badKind[u"source"_qs] = QJsonObject{{u"kind"_qs, u"nonsense"_qs}, {u"text"_qs, u"x"_qs}};
    QJsonObject badType = good;
    QJsonObject files = good[u"files"].toObject();
    files[u"type"_qs] = u"flac"_qs;
    badType[u"files"_qs] = files;
    QJsonObject badSheet = good;
    QJsonObject lesson = good[u"lesson"].toObject();
    lesson[u"sheet"_qs] = 7;
    badSheet[u"lesson"_qs] = lesson;
    QJsonObject badSound = good;
    QJsonObject sound = good[u"sound"].toObject();
    sound[u"loudness"_qs] = u"loud"_qs;
    badSound[u"sound"_qs] = sound;

    const struct
    {
        QJsonObject json;
        const char* named;
    } cases[] = {
        {QJsonObject(), "source"},
        {without(u"folder"_qs), "folder"},
        {with(u"format"_qs, u"18"_qs), "format"},
        {with(u"rows"_qs, QJsonArray{QJsonArray{u"one"_qs}}), "rows"},
        {badKind, "source.kind"},
        {badType, "files.type"},
        {badSound, "sound.loudness"},
        {badSheet, "lesson.sheet"},
        {without(u"lesson"_qs), "lesson"},
    };
    for (const auto& c : cases) {
        const Result<BatchJob> job = BatchJob::FromJson(c.json);
        ASSERT_FALSE(job) << c.named;
        EXPECT_TRUE(job.error().ErrorMessage().contains(QString::fromUtf8(c.named)))
            << c.named << ": " << job.error().ErrorMessage().toStdString();
    }
}

TEST(BatchJob, ValidateRefusesWhatCannotRunInWords)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    BatchJob good = everythingSet(dir.path());
    good.sound.pronunciations.clear();
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(u"data"_qs)));  // no default list
    ASSERT_TRUE(good.Validate()) << good.Validate().error().ErrorMessage().toStdString();

    const auto changed = [&](const std::function<void(BatchJob&)>& change) {
        BatchJob job = good;
        change(job);
        return job;
    };
    const struct
    {
        BatchJob job;
        const char* said;
    } cases[] = {
        {changed([](BatchJob& j) { j.folder.clear(); }), "folder"},
        {changed([&](BatchJob& j) { j.folder = dir.filePath(u"gone"_qs); }), "The folder %1/gone does not exist"},
        {changed([&](BatchJob& j) { j.folder = dir.filePath(u"file"_qs); }), "%1/file is not a folder"},
        {changed([](BatchJob& j) { j.formatCode = 3; }), "format"},
        {changed([](BatchJob& j) { j.jobs = 65; }), "processes"},
        {changed([](BatchJob& j) { j.files.encoding = speech::FileEncoding::Of(OutputFileType::Mp3, 8); }), "bit rate"},
        {changed([](BatchJob& j) { j.sound.repeat = 0; }), "repeats"},
        {changed([](BatchJob& j) { j.sound.pauseMs = 5001; }), "pause"},
        {changed([](BatchJob& j) { j.sound.trailMs = -1; }), "silence"},
        {changed([](BatchJob& j) { j.sound.chineseRate = 201; }), "rate"},
        {changed([](BatchJob& j) { j.sound.loudnessLufs = std::numeric_limits<double>::quiet_NaN(); }), "loudness"},
        {changed([](BatchJob& j) { j.sound.loudnessLufs = -INFINITY; }), "loudness"},
        {changed([&](BatchJob& j) { j.sound.pronunciations = dir.filePath(u"nolist.txt"_qs); }), "nolist.txt"},
        {changed([](BatchJob& j) { j.lesson.pauseMs = 999; }), "1000–30000"},
        {changed([](BatchJob& j) { j.lesson.pauseMs = 30001; }), "1000–30000"},
    };
    QFile(dir.filePath(u"file"_qs)).open(QIODevice::WriteOnly);
    for (const auto& c : cases) {
        const Result<void> valid = c.job.Validate();
        ASSERT_FALSE(valid) << c.said;
        const QString said = QString::fromUtf8(c.said);
        EXPECT_TRUE(valid.error().ErrorMessage().contains(said.contains(u"%1"_qs) ? said.arg(dir.path()) : said))
            << c.said << ": " << valid.error().ErrorMessage().toStdString();
    }
    // A folder a dry run of the command line would make need not be there; something else than
    // a folder is still refused.
    EXPECT_TRUE(cases[1].job.Validate(BatchJob::FolderRule::MayBeMissing));
    EXPECT_EQ(cases[2].job.Validate(BatchJob::FolderRule::MayBeMissing).error().Error(), ResultCode::JobNotAFolder);
    qunsetenv("XDG_DATA_HOME");
}

// An MP3 is written at the bit rate asked for, so a rate the format cannot carry is refused with
// those it can, lowest first; WAV and Opus have no bit rate to ask for.
TEST(BatchJob, ValidateTakesOnlyTheBitRatesTheFormatCarries)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(u"data"_qs)));  // no default list
    const QString mpeg1From64 = u"64, 80, 96, 112, 128, 160, 192, 224, 256, 320"_qs;
    const struct
    {
        OutputFileType type;
        int formatCode;
        int kbps;
        QString allowed;  // empty: the job is valid
    } cases[] = {
        {OutputFileType::Mp3, 35, 32, mpeg1From64},  // 44kHz 16 Bit 双声道
        {OutputFileType::Mp3, 35, 72, mpeg1From64},  // no MP3 has it
        {OutputFileType::Mp3, 35, 64, {}},
        {OutputFileType::Mp3, 35, 320, {}},
        {OutputFileType::Mp3, 22, 144, {}},  // 22kHz 16 Bit 单声道: MPEG-2 has 144
        {OutputFileType::Mp3, 22, 192, u"56, 64, 80, 96, 112, 128, 144, 160"_qs},
        {OutputFileType::Mp3, 4, 32, {}},    // 8kHz 8 Bit 单声道, encoded from 16 bits
        {OutputFileType::Mp3, 4, 80, u"32, 40, 48, 56, 64"_qs},
        {OutputFileType::Wav, 35, 32, {}},
        {OutputFileType::Opus, 35, 8, {}},
    };
    for (const auto& c : cases) {
        BatchJob job = everythingSet(dir.path());
        job.sound.pronunciations.clear();
        job.formatCode = c.formatCode;
        job.files.encoding = speech::FileEncoding::Of(c.type, c.kbps);
        const Result<void> valid = job.Validate();
        SCOPED_TRACE(testing::Message() << c.formatCode << " " << c.kbps << " kbps");
        ASSERT_EQ(bool(valid), c.allowed.isEmpty()) << (valid ? "" : valid.error().ErrorMessage().toStdString());
        if (!valid) {
            EXPECT_EQ(valid.error().Error(), ResultCode::JobBadBitRate);
            EXPECT_EQ(valid.error().Subject(), c.allowed);
        }
    }
    EXPECT_EQ(ComErrorText(ResultCode::JobBadBitRate, mpeg1From64, false),
              u"This sound format takes only these MP3 bit rates, lowest first: "_qs + mpeg1From64 + u" kbps"_qs);
    EXPECT_EQ(ComErrorText(ResultCode::JobBadBitRate, mpeg1From64, true),
              u"此声音格式只能用以下 MP3 比特率（最低的在前）："_qs + mpeg1From64 + u" kbps"_qs);
    qunsetenv("XDG_DATA_HOME");
}

TEST(WordSource, NamesTheRunAsItsFilesAreTagged)
{
    EXPECT_EQ((WordSource{WordSource::Kind::Course, u"中考词汇"_qs}.Album()), u"中考词汇"_qs);
    EXPECT_EQ((WordSource{WordSource::Kind::EnglishLookUp, u"ap"_qs}.Album()), u"查询：ap"_qs);
    EXPECT_EQ((WordSource{WordSource::Kind::WordsFile, u"/home/me/my list.csv"_qs}.Album()), u"my list"_qs);
}

} // namespace
