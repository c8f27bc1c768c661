#pragma once

#include <functional>
#include <memory>

#include <QString>

#include "base/cfree.h"
#include "base/comerror.h"
#include "vocab/wordentry.h"

struct sqlite3;

/// The program's one connection to its vocabulary file. The file is opened read-only and is
/// never created or written; every statement runs on this connection.
class WordStore
{
public:
    using Receiver = std::function<void(WordEntry&&)>;

    WordStore();
    ~WordStore();
    WordStore(const WordStore&) = delete;
    WordStore& operator=(const WordStore&) = delete;
    /// Moving hands the connection over: a file opened on the side can replace the open one.
    WordStore(WordStore&&) noexcept;
    WordStore& operator=(WordStore&&) noexcept;

    /// Opens the file named by the connection string's Data Source, relative to the current
    /// directory. On failure (file missing, unreadable, not a vocabulary database, no table
    /// `word` …) the store is closed and the error returned.
    Result<void> Open(const QString& connectionString);
    /// Closes an open connection; a closed one is left alone.
    void Close();
    bool IsOpen() const;
    /// Full path of the open (or last tried) file.
    const QString& FilePath() const { return m_filePath; }

    /// Runs one word statement and hands each row to `receiver`, in result order, one at a time.
    /// NULL values arrive as empty text. Rows handed over before a failure stay with the
    /// receiver.
    Result<void> SelectWords(const QString& statement, const Receiver& receiver);

private:
    static void closeDb(sqlite3* db);
    using Db = CHandle<sqlite3, &closeDb>;

    void open(const QString& connectionString); // throws ComError
    static Db loadJet(const QString& path, const QString& password);

    Db m_db;
    QString m_filePath;
};
