#include "vocab/ownlists.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "vocab/coursecatalogue.h"
#include "vocab/sqlitehandles_p.h"

namespace {

// Another Lexovox saving a long list holds the file a moment; longer than this is "in use".
constexpr int kBusyMs = 1500;
constexpr qsizetype kMaxNameLength = 60;
// PRAGMA user_version of the file this program writes: a larger one is a later program's.
constexpr int kSchemaVersion = 1;
constexpr char kSchema[] =
    "CREATE TABLE list (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);"
    "CREATE TABLE entry (list INTEGER NOT NULL, position INTEGER NOT NULL, en TEXT NOT NULL,"
    " ch TEXT NOT NULL, source INTEGER NOT NULL, PRIMARY KEY (list, position));"
    "PRAGMA user_version = 1;";

HRESULT nameFault(const QString& name)
{
    using namespace ResultCode;
    if (name.trimmed().isEmpty())
        return OwnListNameEmpty;
    if (name.size() > kMaxNameLength)
        return OwnListNameTooLong;
    // A name is a tree item, a course on a command line and a line of --list-courses.
    const bool badCharacter = std::ranges::any_of(name, [](QChar c) {
        return c == u'/' || c.category() == QChar::Other_Control || c == QChar::LineSeparator
               || c == QChar::ParagraphSeparator;
    });
    if (badCharacter || name.trimmed() != name)
        return OwnListNameBadCharacter;
    return IsCatalogueBook(name) ? OwnListNameIsCourse : S_OK;
}

QString sqliteMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

/// What a failed statement means to the user: another program holds the file, it may not be
/// written, the disk is full, or `otherwise` with SQLite's own words.
ComError failure(sqlite3* db, const QString& path, HRESULT otherwise)
{
    switch (sqlite3_errcode(db) & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ComError(ResultCode::OwnListsBusy, path);
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return ComError(ResultCode::OwnListsReadOnly, path);
    case SQLITE_FULL:
        return ComError(otherwise, ComErrorText(STG_E_MEDIUMFULL));
    default:
        return ComError(otherwise, sqliteMessage(db));
    }
}

/// A prepared statement with its values bound in order; throws on failure.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql, const QString& path, HRESULT otherwise)
        : m_db(db)
        , m_path(path)
        , m_otherwise(otherwise)
    {
        sqlite3_stmt* raw = nullptr;
        const int rc = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
        m_stmt.reset(raw);
        if (rc != SQLITE_OK)
            throw failure(db, path, otherwise);
    }

    Statement& bind(int index, const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt.get(), index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bind(int index, qint64 value)
    {
        sqlite3_bind_int64(m_stmt.get(), index, value);
        return *this;
    }

    /// True while there is a row to read.
    bool step()
    {
        const int rc = sqlite3_step(m_stmt.get());
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw failure(m_db, m_path, m_otherwise);
        return false;
    }
    void reset()
    {
        sqlite3_reset(m_stmt.get());
        sqlite3_clear_bindings(m_stmt.get());
    }

    QString text(int column) const
    {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt.get(), column));
        return text ? QString::fromUtf8(text, sqlite3_column_bytes(m_stmt.get(), column)) : QString();
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt.get(), column); }

private:
    sqlite3* m_db;
    const QString& m_path;
    HRESULT m_otherwise;
    SqliteStatement m_stmt;
};

/// One write transaction: rolled back unless committed, so a failure or a crash in between
/// leaves the file as it was.
class WriteTransaction
{
public:
    WriteTransaction(sqlite3* db, const QString& path)
        : m_db(db)
        , m_path(path)
    {
        // IMMEDIATE takes the write lock now: another Lexovox saving shows as "in use" here,
        // not halfway through.
        if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
            throw failure(db, path, ResultCode::OwnListsNotSaved);
    }
    ~WriteTransaction()
    {
        if (!m_committed)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    void commit()
    {
        if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            throw failure(m_db, m_path, ResultCode::OwnListsNotSaved);
        m_committed = true;
    }

private:
    sqlite3* m_db;
    const QString& m_path;
    bool m_committed = false;
};

std::optional<qint64> listId(sqlite3* db, const QString& path, const QString& name)
{
    Statement find(db, "SELECT id FROM list WHERE name = ?", path, ResultCode::OwnListsNotOpened);
    find.bind(1, name);
    if (find.step())
        return find.integer(0);
    return std::nullopt;
}

/// The first free name beside `path` for a damaged file: never one that is there.
QString asideName(const QString& path)
{
    QString aside = path + u".damaged"_qs;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + u"-journal"_qs); ++n)
        aside = path + u".damaged-"_qs + QString::number(n);
    return aside;
}

template <class T, class Body>
Result<T> guarded(Body&& body)
{
    try {
        return body();
    } catch (const ComError& error) {
        return Fail(error);
    }
}

} // namespace

struct OwnLists::Connection
{
    SqliteDb db;
    bool writable = false;
    bool hasSchema = false;
};

OwnLists::OwnLists() = default;
OwnLists::~OwnLists() = default;

QString OwnLists::DefaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/lexovox/mylists.db"_qs;
}

Result<void> OwnLists::Open(const QString& path)
{
    return open(path, true);
}

Result<void> OwnLists::OpenToRead(const QString& path)
{
    return open(path, false);
}

Result<void> OwnLists::open(const QString& path, bool writable)
{
    m_connection.reset();
    m_path = QFileInfo(path).absoluteFilePath();
    const QFileInfo file(m_path);
    if (file.exists() && !file.isFile())
        return Fail(ComError(ResultCode::OwnListsNotOpened, m_path));
    if (!writable && !file.exists())
        return Fail(ComError(ResultCode::FileNotFound, m_path));
    if (writable) {
        if (!QDir().mkpath(file.absolutePath()))
            return Fail(ComError(ResultCode::OwnListsNotOpened, file.absolutePath()));
        // SQLite would open such a file for reading without a word; saving would fail later.
        // The folder takes the journal that makes a save all or nothing.
        if ((file.exists() && !file.isWritable()) || !QFileInfo(file.absolutePath()).isWritable())
            return Fail(ComError(ResultCode::OwnListsReadOnly, m_path));
    }

    auto connection = std::make_unique<Connection>();
    connection->writable = writable;
    sqlite3* raw = nullptr;
    const int flags = writable ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
    // sqlite3_open_v2 returns a handle even on failure: own it first.
    const int rc = sqlite3_open_v2(m_path.toUtf8().constData(), &raw, flags, nullptr);
    connection->db.reset(raw);
    if (rc != SQLITE_OK)
        return Fail(failure(raw, m_path, ResultCode::OwnListsNotOpened));
    sqlite3* db = raw;
    sqlite3_busy_timeout(db, kBusyMs);

    // The first read finds a file that is no database, or a damaged one; only then is it put
    // aside, so a busy or unreadable file is never mistaken for a damaged one.
    bool damaged = false;
    int version = 0;
    int tables = 0;
    int objects = 0;
    try {
        Statement check(db, "PRAGMA quick_check", m_path, ResultCode::OwnListsNotOpened);
        damaged = !check.step() || check.text(0) != u"ok";
        if (!damaged) {
            Statement versionQuery(db, "PRAGMA user_version", m_path, ResultCode::OwnListsNotOpened);
            versionQuery.step();
            version = int(versionQuery.integer(0));
            Statement tableQuery(db, "SELECT count(*), count(*) FILTER (WHERE name IN ('list', 'entry')) FROM sqlite_master",
                                 m_path, ResultCode::OwnListsNotOpened);
            tableQuery.step();
            objects = int(tableQuery.integer(0));
            tables = int(tableQuery.integer(1));
        }
    } catch (const ComError& error) {
        const int code = sqlite3_errcode(db) & 0xff;
        if (code != SQLITE_NOTADB && code != SQLITE_CORRUPT)
            return Fail(error);
        damaged = true;
    }
    if (version > kSchemaVersion)
        return Fail(ComError(ResultCode::OwnListsNotOpened, m_path + u": a later Lexovox's file"_qs));
    const bool empty = version == 0 && objects == 0;
    damaged = damaged || (!empty && (version != kSchemaVersion || tables != 2));
    if (damaged) {
        connection.reset();
        const QString aside = asideName(m_path);
        if (!QFile::rename(m_path, aside))
            return Fail(ComError(ResultCode::OwnListsNotOpened, m_path));
        if (QFileInfo::exists(m_path + u"-journal"_qs))
            QFile::rename(m_path + u"-journal"_qs, aside + u"-journal"_qs);
        return Fail(ComError(ResultCode::OwnListsDamaged, aside));
    }
    if (empty && writable) {
        try {
            WriteTransaction transaction(db, m_path);
            if (sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK)
                throw failure(db, m_path, ResultCode::OwnListsNotOpened);
            transaction.commit();
        } catch (const ComError& error) {
            return Fail(error);
        }
    }
    connection->hasSchema = !empty || writable;
    m_connection = std::move(connection);
    return {};
}

bool OwnLists::IsOpen() const
{
    return m_connection != nullptr;
}

Result<void> OwnLists::writable() const
{
    if (!m_connection)
        return Fail(ComError(ResultCode::OwnListsNotOpened, m_path.isEmpty() ? DefaultPath() : m_path));
    if (!m_connection->writable)
        return Fail(ComError(ResultCode::OwnListsReadOnly, m_path));
    return {};
}

bool OwnLists::Has(const QString& name)
{
    if (!m_connection || !m_connection->hasSchema)
        return false;
    try {
        return listId(m_connection->db.get(), m_path, name).has_value();
    } catch (const ComError&) {
        return false;
    }
}

Result<QStringList> OwnLists::Names()
{
    if (!m_connection)
        return Fail(ComError(ResultCode::OwnListsNotOpened, m_path.isEmpty() ? DefaultPath() : m_path));
    if (!m_connection->hasSchema)
        return QStringList();
    return guarded<QStringList>([&] {
        Statement names(m_connection->db.get(), "SELECT name FROM list ORDER BY id", m_path,
                        ResultCode::OwnListsNotOpened);
        QStringList result;
        while (names.step())
            result.append(names.text(0));
        return result;
    });
}

Result<QList<OwnListWord>> OwnLists::Words(const QString& name)
{
    if (!m_connection)
        return Fail(ComError(ResultCode::OwnListsNotOpened, m_path.isEmpty() ? DefaultPath() : m_path));
    if (!m_connection->hasSchema)
        return Fail(ComError(ResultCode::OwnListMissing, name));
    return guarded<QList<OwnListWord>>([&]() -> Result<QList<OwnListWord>> {
        sqlite3* db = m_connection->db.get();
        const std::optional<qint64> id = listId(db, m_path, name);
        if (!id)
            return Fail(ComError(ResultCode::OwnListMissing, name));
        Statement entries(db, "SELECT en, ch, source FROM entry WHERE list = ? ORDER BY position", m_path,
                          ResultCode::OwnListsNotOpened);
        entries.bind(1, *id);
        QList<OwnListWord> words;
        while (entries.step()) {
            const qint64 source = entries.integer(2);
            words.append({entries.text(0), entries.text(1),
                          source >= 0 && source <= qint64(MeaningSource::NotFound) ? MeaningSource(source)
                                                                                  : MeaningSource::Typed});
        }
        return words;
    });
}

Result<void> OwnLists::Save(const QString& name, const QList<OwnListWord>& words, bool replace)
{
    if (Result<void> open = writable(); !open)
        return open;
    if (const HRESULT fault = nameFault(name); fault != S_OK)
        return Fail(ComError(fault, name));
    if (std::ranges::none_of(words, [](const OwnListWord& w) { return !w.en.trimmed().isEmpty(); }))
        return Fail(ComError(ResultCode::OwnListEmpty, name));
    return guarded<void>([&]() -> Result<void> {
        sqlite3* db = m_connection->db.get();
        WriteTransaction transaction(db, m_path);
        std::optional<qint64> id = listId(db, m_path, name);
        if (id && !replace)
            return Fail(ComError(ResultCode::OwnListExists, name));
        if (id) {
            // Replaced in place, so the list keeps its place among the others.
            Statement clear(db, "DELETE FROM entry WHERE list = ?", m_path, ResultCode::OwnListsNotSaved);
            clear.bind(1, *id).step();
        } else {
            Statement add(db, "INSERT INTO list (name) VALUES (?)", m_path, ResultCode::OwnListsNotSaved);
            add.bind(1, name).step();
            id = sqlite3_last_insert_rowid(db);
        }
        Statement insert(db, "INSERT INTO entry (list, position, en, ch, source) VALUES (?, ?, ?, ?, ?)", m_path,
                         ResultCode::OwnListsNotSaved);
        qint64 position = 0;
        for (const OwnListWord& word : words) {
            if (word.en.trimmed().isEmpty())
                continue;
            insert.bind(1, *id).bind(2, position++).bind(3, word.en).bind(4, word.ch).bind(5, qint64(word.source));
            insert.step();
            insert.reset();
        }
        transaction.commit();
        return {};
    });
}

Result<void> OwnLists::Rename(const QString& from, const QString& to)
{
    if (Result<void> open = writable(); !open)
        return open;
    if (const HRESULT fault = nameFault(to); fault != S_OK)
        return Fail(ComError(fault, to));
    return guarded<void>([&]() -> Result<void> {
        sqlite3* db = m_connection->db.get();
        WriteTransaction transaction(db, m_path);
        const std::optional<qint64> id = listId(db, m_path, from);
        if (!id)
            return Fail(ComError(ResultCode::OwnListMissing, from));
        if (const std::optional<qint64> other = listId(db, m_path, to); other && *other != *id)
            return Fail(ComError(ResultCode::OwnListExists, to));
        Statement rename(db, "UPDATE list SET name = ? WHERE id = ?", m_path, ResultCode::OwnListsNotSaved);
        rename.bind(1, to).bind(2, *id).step();
        transaction.commit();
        return {};
    });
}

Result<void> OwnLists::Remove(const QString& name)
{
    if (Result<void> open = writable(); !open)
        return open;
    return guarded<void>([&]() -> Result<void> {
        sqlite3* db = m_connection->db.get();
        WriteTransaction transaction(db, m_path);
        const std::optional<qint64> id = listId(db, m_path, name);
        if (!id)
            return Fail(ComError(ResultCode::OwnListMissing, name));
        Statement entries(db, "DELETE FROM entry WHERE list = ?", m_path, ResultCode::OwnListsNotSaved);
        entries.bind(1, *id).step();
        Statement list(db, "DELETE FROM list WHERE id = ?", m_path, ResultCode::OwnListsNotSaved);
        list.bind(1, *id).step();
        transaction.commit();
        return {};
    });
}

QString CheckListName(const QString& name)
{
    const HRESULT fault = nameFault(name);
    return fault == S_OK ? QString() : ComErrorText(fault, name);
}
