#pragma once

#include <QString>

#include "base/comerror.h"
#include "vocab/connectionstring.h"

/// Writes the vocabulary file `targetPath` (SQLite, table `word` with en, ch, subclass in the
/// source's row order, indexed by subclass) from `sourcePath`: a UTF-8 CSV whose first line names
/// the columns en, ch and subclass, or a Jet 4 vocabulary opened with `password`. An existing
/// target is replaced only when `overwrite` is set.
/// The file is built under a temporary name beside the target and renamed into place when
/// complete, so a failed or interrupted import never leaves a partial vocabulary.
Result<qint64> ImportVocabulary(const QString& sourcePath, const QString& targetPath, bool overwrite,
                                const QString& password = ProgramDatabasePassword());
