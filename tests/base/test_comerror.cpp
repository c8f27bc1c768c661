#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "base/comerror.h"

namespace {

class LocaleGuard
{
public:
    explicit LocaleGuard(const char* locale) { setenv("LC_ALL", locale, 1); }
    ~LocaleGuard() { setenv("LC_ALL", "C.UTF-8", 1); }
};

} // namespace

TEST(ComErrorText, CodesWithoutMessageFallBackByRange)
{
    LocaleGuard locale("C.UTF-8");
    EXPECT_EQ(ComErrorText(static_cast<HRESULT>(0x80040201)), u"IDispatch error #1"_qs);
    EXPECT_EQ(ComErrorText(static_cast<HRESULT>(0x8004FFFF)), u"IDispatch error #65023"_qs);
    // The range starts above 0x80040200; that code and its neighbours outside are unknown.
    EXPECT_EQ(ComErrorText(static_cast<HRESULT>(0x80040200)), u"Unknown error 0x80040200"_qs);
    EXPECT_EQ(ComErrorText(static_cast<HRESULT>(0x80050000)), u"Unknown error 0x80050000"_qs);
    EXPECT_EQ(ComErrorText(static_cast<HRESULT>(0x8000FFFE)), u"Unknown error 0x8000FFFE"_qs);
    EXPECT_EQ(ComErrorText(static_cast<HRESULT>(0x0000ABCD)), u"Unknown error 0xABCD"_qs);
}

TEST(ComErrorText, OwnMessagesFollowTheLocaleAndNameTheFile)
{
    {
        LocaleGuard locale("zh_CN.UTF-8");
        EXPECT_EQ(ComErrorText(ResultCode::FileNotFound, u"/tmp/x/code.dll"_qs), u"系统找不到指定的文件 /tmp/x/code.dll。"_qs);
    }
    {
        LocaleGuard locale("en_US.UTF-8");
        EXPECT_EQ(ComErrorText(ResultCode::FileNotFound, u"/tmp/x/code.dll"_qs),
                  u"The system cannot find the file /tmp/x/code.dll."_qs);
        // The statement range lies inside the dispatch range, yet has a message of its own.
        EXPECT_TRUE(ComErrorText(ResultCode::StatementFailed, u"near \"x\""_qs).startsWith(u"The statement"_qs));
    }
}

TEST(ComError, MessageIsBuiltOnceAndKept)
{
    LocaleGuard locale("C");
    const ComError error(ResultCode::NoSuchTable, u"/a/code.dll"_qs);
    const QString english = error.ErrorMessage();
    EXPECT_TRUE(english.contains(u"/a/code.dll"_qs));
    setenv("LC_ALL", "zh_CN.UTF-8", 1);
    EXPECT_EQ(error.ErrorMessage(), english);
    EXPECT_STREQ(error.what(), english.toUtf8().constData());
}

TEST(ComErrorText, EveryCodeTheProgramDefinesHasWordsInBothLanguages)
{
    // Every constant of base/result.h that is a failure: a new one without words shows up here.
    const std::vector<HRESULT> defined{
        E_NOTIMPL, E_POINTER, E_ABORT, E_FAIL, E_UNEXPECTED, E_OUTOFMEMORY, E_INVALIDARG,
        STG_E_PATHNOTFOUND, STG_E_ACCESSDENIED, STG_E_WRITEFAULT, STG_E_MEDIUMFULL,
        ResultCode::FileNotFound, ResultCode::AccessDenied, ResultCode::TypeMismatch, ResultCode::StatementFailed,
        ResultCode::NoSuchTable, ResultCode::NoSuchColumn, ResultCode::WrongPassword, ResultCode::NotADatabase,
        ResultCode::DamagedDatabase, ResultCode::UnsupportedFormat,
        ResultCode::SpeechUninitialized, ResultCode::SpeechUnsupportedFormat, ResultCode::SpeechAudioStopped,
        ResultCode::SpeechEngineFailed, ResultCode::SpeechNoMoreItems, ResultCode::SpeechNotFound,
        ResultCode::SpeechNoDevice, ResultCode::SpeechProgramFailed,
        ResultCode::NameNotAllowed, ResultCode::WorkerCrashed, ResultCode::WorkerTimedOut,
        ResultCode::WorkerUnavailable, ResultCode::PlaylistNotWritten, ResultCode::TagsNotWritten,
        ResultCode::SheetNotWritten,
        ResultCode::EngineNotStarted, ResultCode::VoiceNotCreated, ResultCode::EventsNotSet,
        ResultCode::NotifyTargetNotSet,
        ResultCode::SoundClientFailed, ResultCode::SoundConnectionFailed, ResultCode::SoundServerRefused,
        ResultCode::PronunciationNoTab, ResultCode::PronunciationNoHeadword, ResultCode::PronunciationNothingToSay,
        ResultCode::PronunciationUnclosedPhonemes, ResultCode::PronunciationRepeated,
        ResultCode::PronunciationNotUtf8, ResultCode::PronunciationTooLong, ResultCode::PronunciationNotPinyin,
        ResultCode::ImportTargetExists, ResultCode::ImportSourceUnreadable, ResultCode::ImportFolderUnwritable,
        ResultCode::ImportTargetNotReplaced, ResultCode::ImportMalformed, ResultCode::ImportNotWritten,
        ResultCode::ImportTargetIsFolder, ResultCode::ImportInterrupted,
        ResultCode::JobNotAFolder, ResultCode::JobFolderNotMade,
        ResultCode::OwnListExists, ResultCode::OwnListMissing, ResultCode::OwnListEmpty,
        ResultCode::OwnListNameEmpty, ResultCode::OwnListNameBadCharacter, ResultCode::OwnListNameTooLong,
        ResultCode::OwnListNameIsCourse, ResultCode::OwnListsReadOnly, ResultCode::OwnListsBusy,
        ResultCode::OwnListsDamaged, ResultCode::OwnListsNotSaved, ResultCode::OwnListsNotOpened,
        ResultCode::ListNotText,
    };
    const std::span<const HRESULT> table = AllResultCodes();
    for (const HRESULT code : defined)
        EXPECT_NE(std::ranges::find(table, code), table.end()) << std::hex << code;

    std::set<HRESULT> seen;
    for (const HRESULT code : table) {
        EXPECT_TRUE(Failed(code)) << std::hex << code;
        EXPECT_TRUE(seen.insert(code).second) << "listed twice: " << std::hex << code;
        const QString hex = QString::number(quint32(code), 16).toUpper();
        for (const bool chinese : {false, true}) {
            const QString text = ComErrorText(code, u"SUBJECT"_qs, chinese);
            EXPECT_FALSE(text.trimmed().isEmpty()) << std::hex << code;
            // Neither fallback: no "error #n", no bare number.
            EXPECT_FALSE(text.contains(hex)) << qPrintable(text);
            EXPECT_FALSE(text.contains(u"IDispatch"_qs)) << qPrintable(text);
        }
        EXPECT_NE(ComErrorText(code, {}, false), ComErrorText(code, {}, true)) << std::hex << code;
        // Chinese words are Chinese: at least one CJK character.
        const QString chinese = ComErrorText(code, {}, true);
        EXPECT_TRUE(std::ranges::any_of(chinese, [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; }))
            << qPrintable(chinese);
    }
}

TEST(ComErrorText, UnknownCodesInChineseStillNameTheCode)
{
    EXPECT_EQ(ComErrorText(static_cast<HRESULT>(0x80050000), {}, true), u"未知错误 0x80050000"_qs);
    EXPECT_EQ(ComErrorText(static_cast<HRESULT>(0x80040201), {}, true), u"未知错误 0x80040201"_qs);
}
