#include <gtest/gtest.h>

#include "output/batchreport.h"
#include "output/batchwords.h"
#include "output/outputpath.h"
#include "vocab/wordlistmodel.h"

namespace {

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

TEST(PlanBatchWords, GivesEachRowItsTextAndPathInOrder)
{
    const std::vector<BatchWord> words = PlanBatchWords({{u"CD"_qs, u"光盘"_qs}, {u"a/b"_qs, u"斜"_qs}, {u"look at"_qs, u"看"_qs}},
                                                        u"/out"_qs, SpeechOptions{false, true, false});
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[0].row, 0);
    EXPECT_EQ(words[0].path, u"/out/CD.wav"_qs);
    EXPECT_EQ(words[0].text, ComposeUtterance(u"CD"_qs, u"光盘"_qs, SpeechOptions{false, true, false}));
    EXPECT_TRUE(words[1].path.isEmpty()); // a/b names no file of its own
    EXPECT_EQ(words[2].headword, u"look at"_qs);
}

TEST(BatchReport, TheFirstLineSaysHowItEndedAndTheCountsFollow)
{
    BatchReport done;
    done.anyChecked = true;
    done.total = 3;
    done.written = 2;
    done.skipped = 1;
    done.elapsedMs = 12345;
    EXPECT_EQ(done.Message(), u"语音文件生成完毕\n\n已生成 2 个文件，跳过 1 个已有文件，用时 12.3 秒。"_qs);

    BatchReport failed = done;
    failed.total = 9;
    failed.skipped = 0;
    failed.failed = 7;
    for (int i = 0; i < 7; ++i)
        failed.failures.push_back({i, u"w%1"_qs.arg(i), u"磁盘已满"_qs});
    const QStringList lines = failed.Message().split(u'\n');
    EXPECT_EQ(lines[0], u"语音文件生成完毕"_qs);
    EXPECT_TRUE(lines.contains(u"7 个文件未能生成："_qs));
    EXPECT_TRUE(lines.contains(u"w4：磁盘已满"_qs));
    EXPECT_FALSE(lines.contains(u"w5：磁盘已满"_qs));
    EXPECT_EQ(lines.back(), u"……"_qs);

    BatchReport stopped = done;
    stopped.total = 10;
    stopped.skipped = 0;
    stopped.stopped = true;
    EXPECT_EQ(stopped.Message(), u"语音文件生成已停止\n\n已生成 2 个文件，8 个未生成，用时 12.3 秒。"_qs);

    // A lesson instead of the words' files names what it wrote, not "0 files".
    BatchReport lesson;
    lesson.anyChecked = lesson.lessonAsked = true;
    lesson.elapsedMs = 5000;
    lesson.lessonFiles = {u"七年级 听写.mp3"_qs, u"七年级 听写.lrc"_qs};
    EXPECT_EQ(lesson.Message(), u"语音文件生成完毕\n\n已生成听写，用时 5.0 秒。\n\n听写：七年级 听写.mp3、七年级 听写.lrc"_qs);
}

// The command line's summary of a lesson: its words and the track's length, hours and minutes
// for a course, minutes and seconds for a unit.
TEST(BatchReport, ALessonTrackIsSummedUpByItsWordsAndLength)
{
    BatchReport lesson;
    lesson.lessonFiles = {u"七年级 听写 答案.pdf"_qs};
    EXPECT_EQ(LessonTrackSummary(lesson), QString());  // the key alone: no track
    lesson.lessonTrack = u"中考词汇 听写.mp3"_qs;
    lesson.lessonWords = 1603;
    lesson.lessonSeconds = 2 * 3600 + 13 * 60 + 29.6;
    EXPECT_EQ(LessonTrackSummary(lesson), u"1,603 words, 2 h 13 min in 中考词汇 听写.mp3"_qs);
    for (const auto& [seconds, length] : {std::pair{59.4, u"59 s"}, std::pair{59.6, u"1 min 0 s"},
                                          std::pair{3599.0, u"59 min 59 s"}, std::pair{3600.0, u"1 h 0 min"}}) {
        lesson.lessonSeconds = seconds;
        EXPECT_TRUE(LessonTrackSummary(lesson).contains(u", %1 in"_qs.arg(length))) << seconds;
    }
    lesson.lessonWords = 1;
    EXPECT_TRUE(LessonTrackSummary(lesson).startsWith(u"1 word, "_qs));
}

TEST(BatchReport, ReasonsComeFromTheOneMessageTableOrNameTheCode)
{
    EXPECT_EQ(FailureReason(STG_E_PATHNOTFOUND), u"文件夹不存在"_qs);
    EXPECT_EQ(FailureReason(STG_E_ACCESSDENIED), u"文件夹不可写入"_qs);
    EXPECT_EQ(FailureReason(static_cast<HRESULT>(0x80045015)), u"语音引擎出错"_qs);
    EXPECT_EQ(FailureReason(static_cast<HRESULT>(0x80049999)), u"语音合成失败 (0x80049999)"_qs);
    // No code the table knows is shown as a bare number.
    for (const HRESULT code : AllResultCodes()) {
        const QString reason = FailureReason(code);
        EXPECT_FALSE(reason.contains(u"0x"_qs)) << qPrintable(reason);
        EXPECT_EQ(FailureReason(ComError(code)), reason);
    }
    // The batch's own reasons read as they always have.
    EXPECT_EQ(NameNotAllowedReason(), u"文件名不允许"_qs);
    EXPECT_EQ(WorkerCrashedReason(), u"语音合成进程意外退出"_qs);
    EXPECT_EQ(WorkerTimedOutReason(), u"语音合成超时"_qs);
    EXPECT_EQ(WorkerUnavailableReason(), u"语音合成进程无法启动"_qs);
    EXPECT_EQ(RemainingTimeText(9001), u"约 10 秒"_qs);
    EXPECT_EQ(RemainingTimeText(125000), u"约 3 分钟"_qs);
}

} // namespace

TEST(PlanBatchWords, RefusesNamesNoFileSystemTakesBeforeAnythingIsSpoken)
{
    const QString longLatin(252, u'a');   // 256 bytes with ".wav"
    const QString longChinese(100, u'词'); // 304 bytes
    const std::vector<BatchWord> words = PlanBatchWords(
        {{longLatin, {}}, {longChinese, {}}, {QString(251, u'b'), {}}, {u"line\nbreak"_qs, {}},
         {u"nul"_qs + QChar(0) + u"x"_qs, {}}, {u"bell\x07"_qs, {}}},
        u"/out"_qs, SpeechOptions{});
    ASSERT_EQ(words.size(), 6u);
    EXPECT_TRUE(words[0].path.isEmpty());
    EXPECT_EQ(words[0].refusal, ResultCode::NameTooLong);
    EXPECT_EQ(words[1].refusal, ResultCode::NameTooLong);
    EXPECT_EQ(words[2].path, u"/out/"_qs + QString(251, u'b') + u".wav"_qs);  // 255 bytes fit
    for (std::size_t i = 3; i < 6; ++i) {
        EXPECT_TRUE(words[i].path.isEmpty()) << i;
        EXPECT_EQ(words[i].refusal, ResultCode::NameNotAllowed) << i;
    }
    EXPECT_EQ(FailureReason(ResultCode::NameTooLong), u"文件名过长"_qs);

    // Numbered names are measured as written.
    const std::vector<BatchWord> numbered =
        PlanBatchWords({{QString(250, u'c'), {}}, {QString(249, u'd'), {}}}, u"/out"_qs, SpeechOptions{},
                       FileNaming{u"mp3"_qs, true, true});
    EXPECT_TRUE(numbered[0].path.isEmpty());  // "1 " + 250 letters + ".mp3": 256 bytes
    EXPECT_EQ(numbered[0].refusal, ResultCode::NameTooLong);
    EXPECT_FALSE(numbered[1].path.isEmpty());
}

TEST(PrintableText, WritesControlCharactersOut)
{
    EXPECT_EQ(PrintableText(u"a\nb\tc"_qs + QChar(0) + u"d\x1b"_qs), u"a\\nb\\tc\\0d\\x1B"_qs);
    EXPECT_EQ(PrintableText(u"look at 银行"_qs), u"look at 银行"_qs);
}
