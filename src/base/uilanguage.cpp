#include "base/uilanguage.h"

#include <array>
#include <cstdlib>

namespace {

struct LocaleId
{
    std::string_view locale; // language, or language_TERRITORY
    LANGID id;
};

// Full locale names first; a bare language is the fallback for its other territories.
constexpr std::array kLocales{
    LocaleId{"zh_CN", 0x0804}, LocaleId{"zh_SG", 0x1004}, LocaleId{"zh_TW", 0x0404},
    LocaleId{"zh_HK", 0x0C04}, LocaleId{"zh_MO", 0x1404}, LocaleId{"en_US", 0x0409},
    LocaleId{"en_GB", 0x0809}, LocaleId{"en_AU", 0x0C09}, LocaleId{"en_CA", 0x1009},
    LocaleId{"en_NZ", 0x1409}, LocaleId{"en_IE", 0x1809}, LocaleId{"en_ZA", 0x1C09},
    LocaleId{"en_IN", 0x4009}, LocaleId{"en_SG", 0x4809}, LocaleId{"fr_CA", 0x0C0C},
    LocaleId{"pt_BR", 0x0416}, LocaleId{"pt_PT", 0x0816}, LocaleId{"de_AT", 0x0C07},
    LocaleId{"de_CH", 0x0807}, LocaleId{"es_MX", 0x080A},
    LocaleId{"zh", 0x0804},    LocaleId{"en", 0x0409},    LocaleId{"ja", 0x0411},
    LocaleId{"ko", 0x0412},    LocaleId{"de", 0x0407},    LocaleId{"fr", 0x040C},
    LocaleId{"es", 0x0C0A},    LocaleId{"it", 0x0410},    LocaleId{"ru", 0x0419},
    LocaleId{"pt", 0x0416},    LocaleId{"nl", 0x0413},    LocaleId{"pl", 0x0415},
    LocaleId{"sv", 0x041D},    LocaleId{"da", 0x0406},    LocaleId{"fi", 0x040B},
    LocaleId{"nb", 0x0414},    LocaleId{"cs", 0x0405},    LocaleId{"hu", 0x040E},
    LocaleId{"el", 0x0408},    LocaleId{"tr", 0x041F},    LocaleId{"uk", 0x0422},
    LocaleId{"vi", 0x042A},    LocaleId{"id", 0x0421},    LocaleId{"ms", 0x043E},
    LocaleId{"ar", 0x0401},    LocaleId{"he", 0x040D},    LocaleId{"th", 0x041E},
};

constexpr LANGID kFallback = 0x0409;

std::string_view currentLocale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return {};
}

} // namespace

LANGID GetUserInterfaceLanguage()
{
    std::string_view locale = currentLocale();
    // Drop ".UTF-8" and "@modifier": only language and territory choose the id.
    locale = locale.substr(0, locale.find_first_of(".@"));
    const std::string_view language = locale.substr(0, locale.find('_'));
    for (std::string_view key : {locale, language}) {
        for (const LocaleId& entry : kLocales) {
            if (entry.locale == key)
                return entry.id;
        }
    }
    return kFallback;
}

bool IsChineseUserInterface()
{
    return (GetUserInterfaceLanguage() & 0x03FF) == 0x04;
}

std::string_view LocaleNameOf(LANGID id)
{
    // The first entry of an id is its full name where the table has one.
    for (const LocaleId& entry : kLocales) {
        if (entry.id == id)
            return entry.locale;
    }
    return "en_US";
}
