#pragma once

#include <functional>
#include <vector>

#include <QString>

#include "base/comerror.h"
#include "vocab/connectionstring.h"
#include "vocab/wordentry.h"

/// Writes the vocabulary file `targetPath` (SQLite, table `word` with en, ch, subclass in the
/// source's row order, indexed by subclass) from `sourcePath`: a UTF-8 CSV whose first line names
/// the columns en, ch and subclass, or a Jet 4 vocabulary opened with `password`. An existing
/// target is replaced only when `overwrite` is set.
/// The file is built under a temporary name beside the target and renamed into place when
/// complete, so a failed or interrupted import never leaves a partial vocabulary; what killed
/// imports left in the target's folder is removed first. `stopRequested` is asked between rows
/// and through the database's own long steps; once it answers true the import ends with
/// ImportInterrupted and nothing written.
/// Fails with a ResultCode::Import… code (a malformed line as ImportMalformed, its file and
/// "line N: why" as the subject; a folder as the target as ImportTargetIsFolder), or with the
/// Jet reader's own code (a wrong password …).
Result<qint64> ImportVocabulary(const QString& sourcePath, const QString& targetPath, bool overwrite,
                                const QString& password = ProgramDatabasePassword(),
                                const std::function<bool()>& stopRequested = {});

/// The words of a UTF-8 CSV whose first line names at least the columns en and ch, in file
/// order, read by the importer's rules (a malformed line is reported by its number). With a
/// `course`, only the rows whose subclass column names it.
Result<std::vector<WordEntry>> ReadWordList(const QString& sourcePath, const QString& course = {});
