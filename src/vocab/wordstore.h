#pragma once

#include <functional>
#include <memory>

#include <QString>

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
    /// directory. Throws ComError (file missing, unreadable, not a vocabulary database, no
    /// table `word` …); the store is then closed.
    void Open(const QString& connectionString);
    /// Closes an open connection; a closed one is left alone.
    void Close();
    bool IsOpen() const;
    /// Full path of the open (or last tried) file.
    const QString& FilePath() const { return m_filePath; }

    /// Runs one word statement and hands each row to `receiver`, in result order, one at a time.
    /// NULL values arrive as empty text. Throws ComError on failure; rows handed over before it
    /// stay with the receiver.
    void SelectWords(const QString& statement, const Receiver& receiver);

private:
    struct CloseDb
    {
        void operator()(sqlite3* db) const;
    };

    static std::unique_ptr<sqlite3, CloseDb> loadJet(const QString& path, const QString& password);

    std::unique_ptr<sqlite3, CloseDb> m_db;
    QString m_filePath;
};
