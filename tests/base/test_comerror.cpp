#include <cstdlib>

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
    EXPECT_EQ(ComErrorText(static_cast<HRESULT>(0x8000FFFF)), u"Unknown error 0x8000FFFF"_qs);
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
