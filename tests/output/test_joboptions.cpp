#include <set>

#include <QJsonDocument>

#include <gtest/gtest.h>

#include "output/batchjob.h"
#include "output/joboptions.h"

namespace {

using namespace Qt::Literals::StringLiterals;

const JobOption& optionNamed(QLatin1StringView json)
{
    for (const JobOption& option : JobOptions()) {
        if (option.json == json)
            return option;
    }
    ADD_FAILURE() << "no option " << json.data();
    return JobOptions().front();
}

} // namespace

// Each name is spelled once in the table, so two options sharing one would silently read each
// other's value from a document, a settings file or a command line.
TEST(JobOptions, EachNameBelongsToOneOptionAndEachDefaultIsAllowed)
{
    std::set<QString> json, settings, flags;
    const BatchJob defaults;
    for (const JobOption& option : JobOptions()) {
        SCOPED_TRACE(option.json.data());
        EXPECT_TRUE(json.insert(QString(option.json)).second);
        for (const QLatin1StringView key : {option.setting, option.settingOn}) {
            if (!key.isEmpty()) {
                EXPECT_TRUE(settings.insert(QString(key)).second) << key.data();
            }
        }
        for (const QLatin1StringView flag : {option.flag, option.offFlag}) {
            if (!flag.isEmpty()) {
                EXPECT_TRUE(flags.insert(QString(flag)).second) << flag.data();
            }
        }
        EXPECT_TRUE(option.field);
        EXPECT_TRUE(JobOptionInRange(option, defaults));
        if (option.outOfRange != 0) {
            EXPECT_TRUE(option.HasRange());
        }
        // The help of an option that takes a value says which, with its range and default filled in.
        if (!option.flag.isEmpty()) {
            EXPECT_FALSE(option.HelpText().contains(u'%')) << option.HelpText().toStdString();
        }
        if (!option.needs.isEmpty()) {
            EXPECT_TRUE(JobOptionByFlag(QString(option.needs)));
        }
    }
    EXPECT_EQ(JobOptionByFlag(u"no-such-flag"), nullptr);
    EXPECT_EQ(JobOptionByFlag(u"rate-chinese")->json, "sound.rateChinese"_L1);
}

TEST(JobOptions, ChoicesTravelByNameAndTheUsualIsLeftOut)
{
    BatchJob job;
    job.lesson.sheet = LessonOptions::Sheet::Chinese;
    job.files.encoding.type = speech::OutputFileType::Opus;
    const QJsonObject json = job.ToJson();
    EXPECT_EQ(json[u"lesson"][u"sheet"].toString(), u"chinese");
    EXPECT_EQ(json[u"files"][u"type"].toString(), u"opus");
    // Unset: each part's usual pause, card-safe names by type, a worker per core.
    EXPECT_TRUE(json[u"sound"][u"pause"].isUndefined());
    EXPECT_TRUE(json[u"files"][u"cardSafe"].isUndefined());
    EXPECT_TRUE(json[u"jobs"].isUndefined());
    EXPECT_EQ(json[u"sound"][u"loudness"].toDouble(), -18.0);

    // A number where a name belongs, or a name the choice does not have, is no job.
    QJsonObject numbered = json;
    QJsonObject lesson = numbered[u"lesson"].toObject();
    lesson[u"sheet"_qs] = 2;
    numbered[u"lesson"_qs] = lesson;
    ASSERT_FALSE(BatchJob::FromJson(numbered));
    EXPECT_EQ(BatchJob::FromJson(numbered).error().Subject(), u"lesson.sheet");
    lesson[u"sheet"_qs] = u"Chinese"_qs;
    numbered[u"lesson"_qs] = lesson;
    EXPECT_FALSE(BatchJob::FromJson(numbered));
}

TEST(JobOptions, ValuesAreTakenOnlyInTheirOwnKind)
{
    BatchJob job;
    const JobOption& bitrate = optionNamed("files.bitrate"_L1);
    EXPECT_TRUE(SetJobOptionValue(bitrate, job, u"96"_qs));
    EXPECT_EQ(job.files.encoding.mp3Kbps, 96);
    for (const QString& wrong : {u"96 kbps"_qs, u"96.5"_qs, u""_qs, u"1e12"_qs})
        EXPECT_FALSE(SetJobOptionValue(bitrate, job, wrong)) << wrong.toStdString();
    EXPECT_EQ(job.files.encoding.mp3Kbps, 96);

    // "nan" reads as a number and no range refuses it, so it is refused as a value.
    const JobOption& loudness = optionNamed("sound.loudness"_L1);
    EXPECT_FALSE(SetJobOptionValue(loudness, job, u"nan"_qs));
    EXPECT_FALSE(SetJobOptionValue(loudness, job, u"-inf"_qs));
    EXPECT_TRUE(SetJobOptionValue(loudness, job, QVariant()));
    EXPECT_FALSE(job.sound.loudnessLufs);

    const JobOption& key = optionNamed("lesson.key"_L1);
    EXPECT_TRUE(SetJobOptionValue(key, job, u"true"_qs));
    EXPECT_TRUE(job.lesson.key);
    EXPECT_FALSE(SetJobOptionValue(key, job, u"yes"_qs));
    EXPECT_FALSE(SetJobOptionValue(key, job, QVariant()));  // a switch is never unset

    const JobOption& type = optionNamed("files.type"_L1);
    EXPECT_FALSE(SetJobOptionValue(type, job, u"flac"_qs));
    EXPECT_FALSE(SetJobOptionValue(type, job, 1));
    EXPECT_TRUE(SetJobOptionValue(type, job, u"mp3"_qs));
    EXPECT_EQ(job.files.encoding.type, speech::OutputFileType::Mp3);
}

TEST(JobOptions, EachFaultIsSaidOnceWithItsRange)
{
    BatchJob job;
    job.sound.pauseMs = 5001;
    const Result<void> pause = CheckJobOptionRanges(job);
    ASSERT_FALSE(pause);
    EXPECT_EQ(pause.error().Error(), ResultCode::JobBadPause);
    EXPECT_EQ(pause.error().Subject(), u"0–5000");
    job.sound.pauseMs.reset();
    job.jobs = 0;
    EXPECT_EQ(CheckJobOptionRanges(job).error().Subject(), u"1–64");
    job.jobs.reset();
    job.sound.loudnessLufs = -40.5;
    EXPECT_EQ(CheckJobOptionRanges(job).error().Subject(), u"-40–-10");
    job.sound.loudnessLufs.reset();
    EXPECT_TRUE(CheckJobOptionRanges(job));
}
