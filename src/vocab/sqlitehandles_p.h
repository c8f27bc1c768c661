#pragma once

#include <memory>

#include <sqlite3.h>

// SQLite handles owned from the line that opens them; close_v2 waits for open statements.
struct SqliteClose
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct SqliteFinalize
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using SqliteDb = std::unique_ptr<sqlite3, SqliteClose>;
using SqliteStatement = std::unique_ptr<sqlite3_stmt, SqliteFinalize>;

// The vocabulary's schema, as the importer writes it and the Jet copy holds it. The index
// is built after the rows, so the course statement reads them in file order through it.
inline constexpr char kCreateWordTable[] = "CREATE TABLE word (en TEXT, ch TEXT, subclass TEXT)";
inline constexpr char kIndexWordTable[] = "CREATE INDEX word_subclass ON word (subclass)";
inline constexpr char kInsertWord[] = "INSERT INTO word (en, ch, subclass) VALUES (?, ?, ?)";
