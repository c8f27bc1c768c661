#pragma once

#include <vector>

#include <QDate>
#include <QString>

#include "base/comerror.h"
#include "output/lesson/lessonword.h"
#include "output/lessonoptions.h"

/// The sheet of the teacher's key (number, word, meaning): the one where nothing is left for
/// the class to write.
inline constexpr LessonOptions::Sheet kKeySheet = LessonOptions::Sheet::None;

/// Writes one A4 PDF sheet for `words` (in order) to `path`: the class's sheet of `sheet`
/// (Blank: numbered lines to write on; Chinese: each meaning shown, for the English to be
/// written beside it) or the key (kKeySheet). It is titled `title` (such as
/// "中考词汇 听写") with `date` (yyyy-MM-dd; none when invalid) beside it on every page, and
/// "第 n 页 / 共 m 页" at the foot. Class sheets have a 姓名 / 班级 line under the first
/// title. Line breaks and control characters in the texts print as spaces; a text too long for
/// its cell wraps, and past a few lines is cut short with "…". Fonts are embedded, so the sheet
/// prints the same anywhere. Needs a QGuiApplication (fonts).
///
/// The file appears whole or not at all (AtomicFile). Fails with AtomicFile's errors when the
/// folder is missing or takes no file, and with ResultCode::SheetNotWritten (the path and the
/// reason as its subject) when the PDF cannot be painted or written.
Result<void> WriteAnswerSheet(const QString& path, LessonOptions::Sheet sheet, const QString& title, QDate date,
                              const std::vector<LessonWord>& words);
