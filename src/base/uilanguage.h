#pragma once

#include <cstdint>
#include <string_view>

using LANGID = std::uint16_t;

/// The user's interface language as a Windows language id (0x0804 Simplified Chinese,
/// 0x0409 US English …), read from LC_ALL, LC_MESSAGES and LANG, the first one set winning.
/// C, POSIX and unknown locales give 0x0409; the result is never zero.
LANGID GetUserInterfaceLanguage();

/// True when the interface language is a Chinese one (mainland, Taiwan, Hong Kong, Singapore).
bool IsChineseUserInterface();

/// The locale name a language id stands for, as the interface language is read ("zh_CN",
/// "zh_HK", "de", "pt_BR"); "en_US" for an id the program does not know.
std::string_view LocaleNameOf(LANGID id);
