#include <cstdlib>

#include <gtest/gtest.h>

#include "base/uilanguage.h"

namespace {

struct Env
{
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    LANGID expected;
};

void set(const char* name, const char* value)
{
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

} // namespace

TEST(UserInterfaceLanguage, FirstSetVariableWinsAndMapsToWindowsIds)
{
    const Env cases[] = {
        {nullptr, nullptr, "zh_CN.UTF-8", 0x0804},
        {nullptr, nullptr, "zh_TW.UTF-8", 0x0404},
        {nullptr, nullptr, "en_GB.UTF-8", 0x0809},
        {nullptr, nullptr, "en_US", 0x0409},
        {nullptr, nullptr, "de_DE.UTF-8@euro", 0x0407},
        {nullptr, nullptr, "fr_BE.UTF-8", 0x040C}, // territory unknown: the language's id
        {nullptr, "zh_CN.UTF-8", "en_US.UTF-8", 0x0804},
        {"en_GB.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8", 0x0809},
        {"", nullptr, "zh_CN.UTF-8", 0x0804}, // empty counts as unset
        {"C", nullptr, "zh_CN.UTF-8", 0x0409},
        {nullptr, nullptr, "POSIX", 0x0409},
        {nullptr, nullptr, "xx_YY", 0x0409},
        // Kept as they are: Qt shows these scripts, and a voice without such a description
        // falls back to its default one.
        {nullptr, nullptr, "ar_EG.UTF-8", 0x0401},
        {nullptr, nullptr, "he_IL.UTF-8", 0x040D},
        {nullptr, nullptr, "th_TH.UTF-8", 0x041E},
        {nullptr, nullptr, nullptr, 0x0409},
    };
    for (const Env& env : cases) {
        set("LC_ALL", env.lcAll);
        set("LC_MESSAGES", env.lcMessages);
        set("LANG", env.lang);
        EXPECT_EQ(GetUserInterfaceLanguage(), env.expected) << (env.lang ? env.lang : "(unset)");
    }
    set("LANG", "zh_HK.UTF-8");
    EXPECT_TRUE(IsChineseUserInterface());
    set("LANG", "ja_JP.UTF-8");
    EXPECT_FALSE(IsChineseUserInterface());
}
