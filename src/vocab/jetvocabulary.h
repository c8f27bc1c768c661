#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QString>

struct sqlite3;

/// The database password a Jet 4 file keeps, masked, in its header page (the file's first
/// 4096 bytes); empty text when it has none, nothing when the header is too short to hold one.
std::optional<QString> JetDatabasePassword(const QByteArray& headerPage);

/// Copies table `word` (en, ch, subclass) of the Jet 4 file at `path` into `db`, whose table
/// `word` must exist, row for row in the file's order; NULL stays NULL. A file with a password
/// opens only with that password; one without opens with any. Throws ComError with the file's
/// path: wrong password, damaged file, no table `word` or missing columns. When `stopRequested`
/// answers true between rows, stops there with E_ABORT.
void CopyJetVocabulary(const QString& path, const QString& password, sqlite3* db,
                       const std::function<bool()>& stopRequested = {});
