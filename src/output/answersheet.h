#pragma once

#include <vector>

#include <QDate>
#include <QString>

#include "base/comerror.h"

/// One word of a dictation lesson as its sheets list it.
struct SheetWord
{
    int number = 0;  // the number the class hears ("第 1 个")
    QString headword;
    QString meaning;
};

/// Which sheet: the key (number, word, meaning), the class's sheet of blank numbered lines, or
/// the class's sheet with each meaning shown (pupils write the English).
enum class SheetKind
{
    Key,
    Blank,
    Chinese,
};

/// Writes one A4 PDF sheet of `kind` for `words` (in order) to `path`, titled `title` (such as
/// "中考词汇 听写") with `date` (yyyy-MM-dd; none when invalid) beside it on every page, and
/// "第 n 页 / 共 m 页" at the foot. Class sheets have a 姓名 / 班级 line under the first
/// title. Line breaks and control characters in the texts print as spaces; a text too long for
/// its cell wraps, and past a few lines is cut short with "…". Fonts are embedded, so the sheet
/// prints the same anywhere. Needs a QGuiApplication (fonts).
///
/// The file appears whole or not at all (AtomicFile). Fails with AtomicFile's errors when the
/// folder is missing or takes no file, and with ResultCode::SheetNotWritten (the path and the
/// reason as its subject) when the PDF cannot be painted or written.
Result<void> WriteAnswerSheet(const QString& path, SheetKind kind, const QString& title, QDate date,
                              const std::vector<SheetWord>& words);
