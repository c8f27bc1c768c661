#include "vocab/vocabimporter.h"

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <functional>
#include <initializer_list>
#include <vector>

#include <csv.h>
#include <sqlite3.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "base/atomicfile.h"
#include "base/cfree.h"
#include "base/comerror.h"
#include "vocab/filekind.h"
#include "vocab/jetvocabulary.h"
#include "vocab/sqlitehandles_p.h"

namespace {

using StopCheck = std::function<bool()>;

// The temporary file's type, which also tells an import's leftovers from a batch run's.
constexpr QStringView kTemporarySuffix = u".db";
// How often, in the database's own steps, a long statement (the index over a whole list) asks
// whether to stop.
constexpr int kStepsBetweenStopChecks = 1000;


/// Collects libcsv's fields into rows and writes each data row through the insert statement.
class CsvToTable
{
public:
    /// Without `needSubclass` a file with only en and ch is taken, its course left NULL. `file`
    /// names the source in the failures.
    CsvToTable(sqlite3* db, sqlite3_stmt* insert, bool needSubclass, QString file)
        : m_db(db)
        , m_insert(insert)
        , m_needSubclass(needSubclass)
        , m_file(std::move(file))
    {
    }

    /// Takes one line of the file, or fails with ImportMalformed ("file: line 3: …").
    Result<void> feed(csv_parser* parser, const QByteArray& line, qint64 lineNumber)
    {
        m_line = lineNumber;
        const bool blank = line.trimmed().isEmpty();
        if (!m_continuing && !blank)
            m_rowStart = lineNumber;
        m_rowEnded = false;
        if (csv_parse(parser, line.constData(), size_t(line.size()), &CsvToTable::onField, &CsvToTable::onRowEnd, this)
            != size_t(line.size())) {
            return lineError(m_line, QString::fromUtf8(csv_strerror(csv_error(parser))));
        }
        // A line that ends inside quotes carries its row on to the next line.
        m_continuing = (m_continuing || !blank) && !m_rowEnded;
        return m_failure ? Result<void>(Fail(*m_failure)) : Result<void>();
    }

    /// As feed, for the end of the file.
    Result<void> finish(csv_parser* parser)
    {
        if (csv_fini(parser, &CsvToTable::onField, &CsvToTable::onRowEnd, this) != 0)
            return lineError(m_rowStart, QStringLiteral("unterminated quoted field"));
        if (m_failure)
            return Fail(*m_failure);
        if (m_columns[0] < 0)
            return malformed(m_needSubclass ? QStringLiteral("the file is empty; its first line must name the columns en, ch, subclass")
                                            : QStringLiteral("the file is empty; its first line must name the columns en, ch"));
        return {};
    }

    qint64 rows() const { return m_rows; }

private:
    static void onField(void* field, size_t size, void* self)
    {
        auto* me = static_cast<CsvToTable*>(self);
        me->m_fields.push_back(QByteArray(static_cast<const char*>(field), qsizetype(size)));
    }

    static void onRowEnd(int, void* self)
    {
        auto* me = static_cast<CsvToTable*>(self);
        // libcsv calls back from C: keep the first failure and report it after csv_parse returns.
        if (!me->m_failure) {
            if (Result<void> taken = me->takeRow(); !taken)
                me->m_failure = taken.error();
        }
        me->m_fields.clear();
        me->m_rowEnded = true;
    }

    // Where the file goes wrong, with the line the fault is on.
    tl::unexpected<ComError> malformed(const QString& why) const
    {
        return Fail(ComError(ResultCode::ImportMalformed, QStringLiteral("%1: %2").arg(m_file, why)));
    }
    tl::unexpected<ComError> lineError(qint64 line, const QString& what) const
    {
        return malformed(QStringLiteral("line %1: %2").arg(line).arg(what));
    }

    Result<void> takeRow()
    {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        std::vector<QString> texts;
        texts.reserve(m_fields.size());
        for (const QByteArray& field : m_fields) {
            texts.push_back(utf8.decode(field));
            if (utf8.hasError())
                return lineError(m_rowStart, QStringLiteral("not valid UTF-8 text"));
        }
        if (m_columns[0] < 0)
            return takeHeader(texts);
        if (texts.size() != m_width)
            return lineError(m_rowStart, QStringLiteral("%1 fields where the header has %2").arg(texts.size()).arg(m_width));
        for (int i = 0; i < 3; ++i) {
            if (m_columns[size_t(i)] < 0) {
                sqlite3_bind_null(m_insert, i + 1);
                continue;
            }
            const QByteArray& bytes = m_fields[size_t(m_columns[size_t(i)])];
            sqlite3_bind_text(m_insert, i + 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        }
        if (sqlite3_step(m_insert) != SQLITE_DONE)
            return lineError(m_rowStart, QString::fromUtf8(sqlite3_errmsg(m_db)));
        sqlite3_reset(m_insert);
        ++m_rows;
        return {};
    }

    Result<void> takeHeader(const std::vector<QString>& names)
    {
        static constexpr std::array<const char16_t*, 3> wanted{u"en", u"ch", u"subclass"};
        for (size_t column = 0; column < names.size(); ++column) {
            QString name = names[column].trimmed();
            if (column == 0 && name.startsWith(QChar(0xFEFF)))
                name.remove(0, 1);
            for (size_t i = 0; i < wanted.size(); ++i) {
                if (name.compare(QStringView(wanted[i]), Qt::CaseInsensitive) == 0)
                    m_columns[i] = int(column);
            }
        }
        if (m_columns[0] < 0 || m_columns[1] < 0 || (m_needSubclass && m_columns[2] < 0)) {
            m_columns = {-1, -1, -1};
            return lineError(m_rowStart, m_needSubclass
                                             ? QStringLiteral("the first line must name the columns en, ch, subclass")
                                             : QStringLiteral("the first line must name the columns en, ch"));
        }
        m_width = names.size();
        return {};
    }

    sqlite3* m_db;
    sqlite3_stmt* m_insert;
    std::vector<QByteArray> m_fields;
    std::array<int, 3> m_columns{-1, -1, -1};
    bool m_needSubclass;
    size_t m_width = 0;
    qint64 m_rows = 0;
    qint64 m_line = 0;
    qint64 m_rowStart = 1;
    bool m_continuing = false;
    bool m_rowEnded = false;
    QString m_file;
    std::optional<ComError> m_failure;
};

ComError databaseError(sqlite3* db)
{
    return ComError(ResultCode::ImportNotWritten, QString::fromUtf8(sqlite3_errmsg(db)));
}

/// Runs the statements in order up to the first that fails.
Result<void> exec(sqlite3* db, std::initializer_list<const char*> statements)
{
    for (const char* sql : statements) {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            return Fail(databaseError(db));
    }
    return {};
}

Result<qint64> fillFromCsv(QFile& source, sqlite3* db, bool needSubclass = true, const StopCheck& stop = {})
{
    sqlite3_stmt* rawInsert = nullptr;
    sqlite3_prepare_v2(db, kInsertWord, -1, &rawInsert, nullptr);
    SqliteStatement insert(rawInsert);
    if (!insert)
        return Fail(databaseError(db));

    csv_parser parser{};
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0)
        return Fail(ComError(E_OUTOFMEMORY));
    const CHandle<csv_parser, &csv_free> guard(&parser); // frees the parser's buffers, not the parser

    CsvToTable table(db, insert.get(), needSubclass, source.fileName());
    qint64 lineNumber = 0;
    while (!source.atEnd()) {
        if (stop && stop())
            return Fail(ComError(E_ABORT));
        const QByteArray line = source.readLine();
        if (line.isEmpty() && source.error() != QFileDevice::NoError)
            return Fail(ComError(ResultCode::ImportSourceUnreadable,
                                 QStringLiteral("%1: %2").arg(source.fileName(), source.errorString())));
        if (Result<void> taken = table.feed(&parser, line, ++lineNumber); !taken)
            return Fail(taken.error());
    }
    if (Result<void> finished = table.finish(&parser); !finished)
        return Fail(finished.error());
    return table.rows();
}

Result<qint64> fillFromJet(const QString& sourcePath, const QString& password, sqlite3* db, const StopCheck& stop)
{
    // The Jet reader throws its ComError (with the file, a wrong password …); it stops here.
    try {
        CopyJetVocabulary(sourcePath, password, db, stop);
    } catch (const ComError& error) {
        return Fail(error);
    }
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM word", -1, &raw, nullptr);
    SqliteStatement count(raw);
    return count && sqlite3_step(count.get()) == SQLITE_ROW ? sqlite3_column_int64(count.get(), 0) : 0;
}

int askToStop(void* stop)
{
    return (*static_cast<const StopCheck*>(stop))() ? 1 : 0;
}

/// Creates table `word` in the empty file `databasePath`, lets `fill` add the rows, then indexes.
/// A statement under way when `stop` answers true fails.
Result<qint64> writeVocabulary(const QString& databasePath, const StopCheck& stop,
                               const std::function<Result<qint64>(sqlite3*)>& fill)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(databasePath.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    SqliteDb db(raw);
    if (rc != SQLITE_OK)
        return Fail(databaseError(db.get()));
    if (stop)
        sqlite3_progress_handler(db.get(), kStepsBetweenStopChecks, &askToStop, const_cast<StopCheck*>(&stop));
    // The file is private until renamed into place: no journal is needed to keep it whole.
    if (const Result<void> begun = exec(db.get(), {"PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;",
                                                   kCreateWordTable, "BEGIN"});
        !begun)
        return Fail(begun.error());
    const Result<qint64> rows = fill(db.get());
    if (!rows)
        return rows;
    if (const Result<void> indexed = exec(db.get(), {kIndexWordTable, "COMMIT"}); !indexed)
        return Fail(indexed.error());
    if (sqlite3_close(db.release()) != SQLITE_OK)
        return Fail(ComError(ResultCode::ImportNotWritten, databasePath));
    return rows;
}

} // namespace

Result<qint64> ImportVocabulary(const QString& sourcePath, const QString& targetPath, bool overwrite,
                                const QString& password, const StopCheck& stopRequested)
{
    const QDateTime startedAt = QDateTime::currentDateTime();
    const QFileInfo target(targetPath);
    if (target.isDir())
        return Fail(ComError(ResultCode::ImportTargetIsFolder, targetPath));
    // What killed imports left beside the target; one going on there now keeps its file.
    AtomicFile::SweepTemporaryFiles(target.absolutePath(), startedAt, kTemporarySuffix);
    if (target.exists() && !overwrite)
        return Fail(ComError(ResultCode::ImportTargetExists, targetPath));
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return Fail(ComError(ResultCode::ImportSourceUnreadable, QStringLiteral("%1: %2").arg(sourcePath, source.errorString())));
    // Told apart as the program tells vocabularies apart when it opens one.
    const VocabularyFileKind kind = SniffVocabularyFile(source.peek(kVocabularySniffBytes));
    if (kind == VocabularyFileKind::OtherAccess || kind == VocabularyFileKind::Sqlite)
        return Fail(ComError(ResultCode::UnsupportedFormat, QFileInfo(sourcePath).absoluteFilePath()));

    AtomicFile temporary;
    if (!temporary.Open(targetPath, kTemporarySuffix))
        return Fail(ComError(ResultCode::ImportFolderUnwritable, target.absolutePath()));
    const Result<qint64> rows = writeVocabulary(temporary.TemporaryPath(), stopRequested, [&](sqlite3* db) {
        return kind == VocabularyFileKind::Jet4 ? fillFromJet(sourcePath, password, db, stopRequested)
                                                : fillFromCsv(source, db, true, stopRequested);
    });
    // However the stop showed (a row not read, a statement cut short), the file is dropped.
    if (stopRequested && stopRequested())
        return Fail(ComError(ResultCode::ImportInterrupted, targetPath));
    if (!rows)
        return rows;
    if (!temporary.Commit())
        return Fail(ComError(ResultCode::ImportTargetNotReplaced, targetPath));
    return rows;
}

Result<std::vector<WordEntry>> ReadWordList(const QString& sourcePath, const QString& course)
{
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return Fail(ComError(ResultCode::ImportSourceUnreadable, QStringLiteral("%1: %2").arg(sourcePath, source.errorString())));
    // Read through the importer's own rules into a table in memory, so both agree on the format.
    sqlite3* raw = nullptr;
    sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE, nullptr);
    const SqliteDb db(raw);
    if (const Result<void> created = exec(db.get(), {kCreateWordTable, "BEGIN"}); !created)
        return Fail(created.error());
    if (const Result<qint64> filled = fillFromCsv(source, db.get(), false); !filled)
        return Fail(filled.error());
    if (const Result<void> committed = exec(db.get(), {"COMMIT"}); !committed)
        return Fail(committed.error());
    sqlite3_stmt* rawSelect = nullptr;
    sqlite3_prepare_v2(db.get(), "SELECT en, ch FROM word WHERE ?1 = '' OR subclass = ?1 ORDER BY rowid", -1,
                       &rawSelect, nullptr);
    const SqliteStatement select(rawSelect);
    const QByteArray wanted = course.toUtf8();
    sqlite3_bind_text(select.get(), 1, wanted.constData(), int(wanted.size()), SQLITE_TRANSIENT);
    std::vector<WordEntry> words;
    while (select && sqlite3_step(select.get()) == SQLITE_ROW) {
        const auto text = [&](int column) {
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(select.get(), column)),
                                     sqlite3_column_bytes(select.get(), column));
        };
        words.push_back(WordEntry{text(0), text(1)});
    }
    return words;
}
