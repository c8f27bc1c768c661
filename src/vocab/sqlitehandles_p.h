#pragma once

#include <sqlite3.h>

#include "base/cfree.h"

// SQLite handles owned from the line that opens them; close_v2 waits for open statements.
using SqliteDb = CHandle<sqlite3, &sqlite3_close_v2>;
using SqliteStatement = CHandle<sqlite3_stmt, &sqlite3_finalize>;

// The vocabulary's schema, as the importer writes it and the Jet copy holds it. The index
// is built after the rows, so the course statement reads them in file order through it.
inline constexpr char kCreateWordTable[] = "CREATE TABLE word (en TEXT, ch TEXT, subclass TEXT)";
inline constexpr char kIndexWordTable[] = "CREATE INDEX word_subclass ON word (subclass)";
inline constexpr char kInsertWord[] = "INSERT INTO word (en, ch, subclass) VALUES (?, ?, ?)";
