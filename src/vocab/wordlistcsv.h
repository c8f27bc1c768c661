#pragma once

#include <QList>
#include <QString>

#include "base/comerror.h"
#include "vocab/ownlists.h"

/// Writes `words` as a UTF-8 CSV with the columns en, ch and subclass (every row's subclass
/// `course`), the shape lexovox-import and ReadWordList read. The file appears whole or not at
/// all (AtomicFile) and replaces one there; fails with AtomicFile's errors.
Result<void> WriteWordListCsv(const QString& path, const QString& course, const QList<OwnListWord>& words);
