#include "vocab/wordstore.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "vocab/connectionstring.h"
#include "vocab/filekind.h"
#include "vocab/jetvocabulary.h"
#include "vocab/sqlitehandles_p.h"

namespace {

QString cellText(sqlite3_stmt* stmt, int column)
{
    // NULL reads as no text: a missing explanation must not stop the list.
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(stmt, column)) : QString();
}

HRESULT codeForSchemaError(sqlite3* db)
{
    const QByteArray message = sqlite3_errmsg(db);
    if (message.startsWith("no such table"))
        return ResultCode::NoSuchTable;
    if (message.startsWith("no such column"))
        return ResultCode::NoSuchColumn;
    switch (sqlite3_errcode(db)) {
    case SQLITE_NOTADB:
        return ResultCode::NotADatabase;
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        return ResultCode::AccessDenied;
    default:
        return ResultCode::DamagedDatabase;
    }
}

} // namespace

void WordStore::closeDb(sqlite3* db)
{
    sqlite3_close_v2(db); // waits for statements still open
}

WordStore::WordStore() = default;
WordStore::~WordStore() = default;
WordStore::WordStore(WordStore&&) noexcept = default;
WordStore& WordStore::operator=(WordStore&&) noexcept = default;

Result<void> WordStore::Open(const QString& connectionString)
{
    try {
        open(connectionString);
    } catch (const ComError& error) {
        m_db.reset();
        return Fail(error);
    }
    return {};
}

void WordStore::open(const QString& connectionString)
{
    m_db.reset();
    const ConnectionString parts = ConnectionString::Parse(connectionString);
    m_filePath = QDir::cleanPath(QDir::current().absoluteFilePath(parts.dataSource));

    const QFileInfo info(m_filePath);
    if (parts.dataSource.isEmpty() || !info.exists())
        throw ComError(ResultCode::FileNotFound, m_filePath);
    if (!info.isFile())
        throw ComError(ResultCode::NotADatabase, m_filePath);
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        throw ComError(ResultCode::AccessDenied, m_filePath);
    const QByteArray head = file.read(kVocabularySniffBytes);
    file.close();

    switch (SniffVocabularyFile(head)) {
    case VocabularyFileKind::Sqlite:
        break;
    case VocabularyFileKind::Jet4:
        m_db = loadJet(m_filePath, parts.password);
        return;
    case VocabularyFileKind::OtherAccess:
        throw ComError(ResultCode::UnsupportedFormat, m_filePath);
    case VocabularyFileKind::Empty:
    case VocabularyFileKind::Other:
        throw ComError(ResultCode::NotADatabase, m_filePath);
    }

    // Read-only never creates a file and never writes one; the handle exists even on failure.
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(m_filePath.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK)
        throw ComError(rc == SQLITE_NOTADB ? ResultCode::NotADatabase : ResultCode::AccessDenied, m_filePath);

    // Reading the schema proves the file is whole enough and has what the statements need.
    sqlite3_stmt* probe = nullptr;
    const int prc = sqlite3_prepare_v2(db.get(), "SELECT en,ch,subclass FROM word LIMIT 0", -1, &probe, nullptr);
    SqliteStatement owned(probe);
    if (prc != SQLITE_OK)
        throw ComError(codeForSchemaError(db.get()), m_filePath);
    m_db = std::move(db);
}

WordStore::Db WordStore::loadJet(const QString& path, const QString& password)
{
    // The Jet file's rows go into an in-memory copy, so every statement runs on one engine.
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE, nullptr);
    Db db(raw);
    const auto exec = [&db, &path](const char* sql) {
        if (sqlite3_exec(db.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw ComError(E_FAIL, path);
    };
    if (rc != SQLITE_OK)
        throw ComError(E_FAIL, path);
    exec(kCreateWordTable);
    exec("BEGIN");
    CopyJetVocabulary(path, password, db.get());
    exec(kIndexWordTable);
    exec("COMMIT");
    return db;
}

void WordStore::Close()
{
    m_db.reset();
}

bool WordStore::IsOpen() const
{
    return m_db != nullptr;
}

Result<void> WordStore::SelectWords(const QString& statement, const Receiver& receiver)
{
    if (!m_db)
        return Fail(ComError(E_POINTER));

    const QByteArray sql = statement.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(m_db.get(), sql.constData(), int(sql.size()), &raw, nullptr);
    SqliteStatement stmt(raw);
    if (rc != SQLITE_OK)
        return Fail(ComError(ResultCode::StatementFailed, QString::fromUtf8(sqlite3_errmsg(m_db.get()))));
    if (sqlite3_column_count(stmt.get()) < 2)
        return Fail(ComError(ResultCode::StatementFailed, statement));

    for (;;) {
        const int step = sqlite3_step(stmt.get());
        if (step == SQLITE_DONE)
            return {};
        if (step != SQLITE_ROW)
            return Fail(ComError(ResultCode::StatementFailed, QString::fromUtf8(sqlite3_errmsg(m_db.get()))));
        receiver(WordEntry{cellText(stmt.get(), 0), cellText(stmt.get(), 1)});
    }
}
