#pragma once

#include <QString>

#include "vocab/connectionstring.h"

/// What an import did: the rows written, or why nothing was written.
struct ImportReport
{
    qint64 rows = 0;
    QString error; // empty on success

    bool ok() const { return error.isEmpty(); }
};

/// Writes the vocabulary file `targetPath` (SQLite, table `word` with en, ch, subclass in the
/// source's row order, indexed by subclass) from `sourcePath`: a UTF-8 CSV whose first line names
/// the columns en, ch and subclass, or a Jet 4 vocabulary opened with `password`. An existing
/// target is replaced only when `overwrite` is set.
/// The file is built under a temporary name beside the target and renamed into place when
/// complete, so a failed or interrupted import never leaves a partial vocabulary.
ImportReport ImportVocabulary(const QString& sourcePath, const QString& targetPath, bool overwrite,
                              const QString& password = ProgramDatabasePassword());
