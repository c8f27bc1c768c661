#pragma once

#include <QString>

class QCoreApplication;

/// The language of Qt's own texts (the standard buttons 确定 and 取消, the folder tree's
/// headers), as the locale name of its translation file: the program's interface language, the
/// one its messages are in (GetUserInterfaceLanguage, from LC_ALL, LC_MESSAGES and LANG).
/// Chinese is "zh_CN" for simplified characters and "zh_TW" for traditional ones, as Qt ships
/// them; empty for English, Qt's own language.
QString QtTextsLocale();

/// Installs Qt's own texts in QtTextsLocale() on `app`, in place of those a call before
/// installed. Called before any window is built: a standard button takes its text when made.
/// False when the translation is not there (Debian's qt6-translations-l10n), and Qt stays English.
bool LoadQtTexts(QCoreApplication& app);
