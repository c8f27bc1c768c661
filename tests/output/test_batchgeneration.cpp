#include <vector>

#include <gtest/gtest.h>

#include "output/batchgeneration.h"
#include "output/outputpath.h"
#include "vocab/wordlistmodel.h"

namespace {

struct Call
{
    QString text;
    QString path;
};

WordListModel& words(WordListModel& model, std::vector<WordEntry> rows, std::vector<int> checked)
{
    model.append(std::move(rows));
    for (int row : checked)
        model.setChecked(row, true);
    return model;
}

} // namespace

TEST(OutputPath, KeepsTheHeadwordAsShownAndRefusesNamesThatLeaveTheFolder)
{
    EXPECT_EQ(OutputFilePath(u"/tmp/out"_qs, u"CD"_qs), u"/tmp/out/CD.wav"_qs);
    EXPECT_EQ(OutputFilePath(u"/tmp/out"_qs, u"look at"_qs), u"/tmp/out/look at.wav"_qs);
    EXPECT_EQ(OutputFilePath(u"/tmp/out"_qs, u"what?"_qs), u"/tmp/out/what?.wav"_qs);
    EXPECT_EQ(OutputFilePath(u"/"_qs, u"apple"_qs), u"//apple.wav"_qs); // the folder text is used as it is
    for (const QString& bad : {u"a/b"_qs, u"../x"_qs, QString(), u"."_qs, u".."_qs, QString(QChar(0))})
        EXPECT_FALSE(OutputFilePath(u"/tmp/out"_qs, bad)) << bad.toStdString();
    EXPECT_TRUE(IsUsableOutputFolder(u"/"_qs));
    EXPECT_FALSE(IsUsableOutputFolder(QString()));
}

TEST(BatchGeneration, WritesCheckedRowsInOrderOnceEachWithProgressForEveryRow)
{
    WordListModel model;
    words(model, {{u"apple"_qs, u"苹果"_qs}, {u"skip"_qs, u"跳过"_qs}, {u"CD"_qs, u"光盘"_qs}, {u"CD"_qs, u"唱片"_qs}},
          {0, 2, 3});
    std::vector<Call> calls;
    std::vector<int> progress;
    const BatchReport report = BatchGeneration::Run(
        model, u"/out"_qs, SpeechOptions{false, true, false},
        [&calls](const QString& text, const QString& path) {
            calls.push_back({text, path});
            return S_OK;
        },
        [&progress](int row) { progress.push_back(row); });

    EXPECT_EQ(progress, (std::vector<int>{0, 1, 2, 3}));
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].path, u"/out/apple.wav"_qs);
    EXPECT_EQ(calls[0].text, u"apple;;苹果 ;"_qs);
    // The file keeps the list's capitals; the speech is lower case. The later row is written last.
    EXPECT_EQ(calls[1].path, u"/out/CD.wav"_qs);
    EXPECT_EQ(calls[1].text, u"cd;;光盘 ;"_qs);
    EXPECT_EQ(calls[2].text, u"cd;;唱片 ;"_qs);
    EXPECT_TRUE(report.anyChecked);
    EXPECT_EQ(report.written, 3);
    EXPECT_EQ(report.Message(), u"语音文件生成完毕"_qs);
}

TEST(BatchGeneration, NothingCheckedSaysSoAndEveryRowStillAdvancesTheBar)
{
    WordListModel model;
    words(model, {{u"a"_qs, u"一"_qs}, {u"b"_qs, u"二"_qs}}, {});
    int speaks = 0;
    int rows = 0;
    const BatchReport report = BatchGeneration::Run(
        model, u"/out"_qs, {}, [&speaks](const QString&, const QString&) { return ++speaks, S_OK; },
        [&rows](int) { ++rows; });
    EXPECT_EQ(speaks, 0);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(report.Message(), u"您还没有钩选单词"_qs);
}

TEST(BatchGeneration, FailuresAreCountedNamedAndTheRunGoesOn)
{
    WordListModel model;
    std::vector<WordEntry> rows{{u"a/b"_qs, u"斜线"_qs}, {u"full"_qs, u"满"_qs}, {u"ok"_qs, u"好"_qs}};
    for (int i = 0; i < 6; ++i)
        rows.push_back({QStringLiteral("gone%1").arg(i), u"无"_qs});
    words(model, std::move(rows), {0, 1, 2, 3, 4, 5, 6, 7, 8});
    std::vector<QString> paths;
    const BatchReport report = BatchGeneration::Run(
        model, u"/out"_qs, {},
        [&paths](const QString&, const QString& path) {
            paths.push_back(path);
            if (path.contains(u"full"))
                return STG_E_MEDIUMFULL;
            if (path.contains(u"gone"))
                return STG_E_PATHNOTFOUND;
            return S_OK;
        },
        {});
    // "a/b" is never handed to the writer: it would land in a folder "a".
    EXPECT_EQ(paths.size(), 8u);
    EXPECT_EQ(report.written, 1);
    EXPECT_EQ(report.failed, 8);
    const QString message = report.Message();
    EXPECT_TRUE(message.startsWith(u"语音文件生成完毕\n"_qs)) << message.toStdString();
    EXPECT_TRUE(message.contains(u"8 个文件未能生成"_qs));
    EXPECT_TRUE(message.contains(u"a/b：文件名不允许"_qs));
    EXPECT_TRUE(message.contains(u"full：磁盘已满"_qs));
    EXPECT_TRUE(message.contains(u"gone0：文件夹不存在"_qs));
    EXPECT_FALSE(message.contains(u"gone5"_qs)); // only the first few are named
}

TEST(BatchGeneration, RunsPast65535Rows)
{
    WordListModel model;
    std::vector<WordEntry> rows(70000, WordEntry{u"w"_qs, u"词"_qs});
    model.append(std::move(rows));
    model.setChecked(69999, true);
    int last = -1;
    int speaks = 0;
    BatchGeneration::Run(
        model, u"/out"_qs, {}, [&speaks](const QString&, const QString&) { return ++speaks, S_OK; },
        [&last](int row) { last = row; });
    EXPECT_EQ(last, 69999);
    EXPECT_EQ(speaks, 1);
}
