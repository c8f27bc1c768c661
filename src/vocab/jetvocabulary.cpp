#include "vocab/jetvocabulary.h"

#include <array>
#include <cstring>
#include <memory>
#include <vector>

// glib first: mdbtools' header needs its types.
#include <glib.h>
#include <mdbtools.h>
#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include "base/cfree.h"
#include "base/comerror.h"
#include "vocab/sqlitehandles_p.h"

namespace {

constexpr qsizetype kPageSize = 4096;
// Past this a file is not a vocabulary a person made; the reader trusts page numbers in it.
constexpr qint64 kMaxFileSize = qint64(2) * 1024 * 1024 * 1024;

// The header page hides its fields behind an RC4 stream with a fixed key.
constexpr qsizetype kMaskedStart = 0x18;
constexpr qsizetype kMaskedLength = 128;
constexpr std::array<unsigned char, 4> kHeaderKey{0xC7, 0xDA, 0x39, 0x6B};
constexpr qsizetype kPasswordOffset = 0x42;
constexpr qsizetype kPasswordLength = 40;
constexpr qsizetype kCreationDateOffset = 0x72;

void rc4(const unsigned char* key, size_t keyLength, unsigned char* data, size_t length)
{
    std::array<unsigned char, 256> s{};
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<unsigned char>(i);
    for (size_t i = 0, j = 0; i < s.size(); ++i) {
        j = (j + s[i] + key[i % keyLength]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (size_t n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[n] ^= s[(s[i] + s[j]) & 0xFF];
    }
}


const std::array<const char*, 3> kColumns{"en", "ch", "subclass"};

} // namespace

std::optional<QString> JetDatabasePassword(const QByteArray& headerPage)
{
    if (headerPage.size() < kMaskedStart + kMaskedLength)
        return std::nullopt;
    QByteArray header = headerPage.left(kMaskedStart + kMaskedLength);
    rc4(kHeaderKey.data(), kHeaderKey.size(), reinterpret_cast<unsigned char*>(header.data()) + kMaskedStart,
        kMaskedLength);

    // Jet 4 masks the password again with the whole days of the file's creation date.
    double created = 0;
    std::memcpy(&created, header.constData() + kCreationDateOffset, sizeof created);
    const qint32 days = (created > -2.0e9 && created < 2.0e9) ? qint32(created) : 0;
    std::array<unsigned char, 4> dateMask{};
    qToLittleEndian(days, dateMask.data());

    QString password;
    for (qsizetype i = 0; i < kPasswordLength; i += 2) {
        const auto low = static_cast<unsigned char>(header[kPasswordOffset + i]) ^ dateMask[size_t(i % 4)];
        const auto high = static_cast<unsigned char>(header[kPasswordOffset + i + 1]) ^ dateMask[size_t((i + 1) % 4)];
        const char16_t unit = char16_t(low | (high << 8));
        if (unit == 0)
            break;
        password += QChar(unit);
    }
    return password;
}

void CopyJetVocabulary(const QString& path, const QString& password, sqlite3* db,
                       const std::function<bool()>& stopRequested)
{
    const QFileInfo info(path);
    if (info.size() < 2 * kPageSize || info.size() % kPageSize != 0 || info.size() > kMaxFileSize)
        throw ComError(ResultCode::DamagedDatabase, path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ComError(ResultCode::AccessDenied, path);
    const std::optional<QString> stored = JetDatabasePassword(file.read(kPageSize));
    file.close();
    if (!stored)
        throw ComError(ResultCode::DamagedDatabase, path);
    if (!stored->isEmpty() && *stored != password)
        throw ComError(ResultCode::WrongPassword, path);

    // MDB_NOFLAGS opens the file read-only.
    const CHandle<MdbHandle, &mdb_close> mdb(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb || !mdb_read_catalog(mdb.get(), MDB_TABLE))
        throw ComError(ResultCode::DamagedDatabase, path);
    const CHandle<MdbTableDef, &mdb_free_tabledef> table(mdb_read_table_by_name(mdb.get(), const_cast<gchar*>("word"), MDB_TABLE));
    if (!table)
        throw ComError(ResultCode::NoSuchTable, path);
    if (!mdb_read_columns(table.get()))
        throw ComError(ResultCode::DamagedDatabase, path);

    // Text columns hold at most 255 characters; a memo is cut at the bind size, with room for
    // its terminating zero.
    std::array<std::vector<char>, 3> values;
    std::array<int, 3> lengths{};
    std::array<int, 3> rowColumn{};
    for (size_t i = 0; i < kColumns.size(); ++i) {
        values[i].assign(MDB_BIND_SIZE + 1, '\0');
        int found = -1;
        for (unsigned int c = 0; c < table->num_cols; ++c) {
            const auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
            if (g_ascii_strcasecmp(column->name, kColumns[i]) == 0)
                found = int(c);
        }
        if (found < 0)
            throw ComError(ResultCode::NoSuchColumn, path);
        rowColumn[i] = found;
        mdb_bind_column(table.get(), found + 1, values[i].data(), &lengths[i]);
    }

    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, kInsertWord, -1, &raw, nullptr);
    SqliteStatement insert(raw);
    if (!insert)
        throw ComError(E_FAIL, path);

    std::vector<MdbField> fields(table->num_cols);
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        if (stopRequested && stopRequested())
            throw ComError(E_ABORT, path);
        // The bound values read a NULL as empty text; the row's null mask tells them apart.
        int start = 0;
        size_t size = 0;
        const bool cracked = mdb_find_row(mdb.get(), int(table->cur_row) - 1, &start, &size) == 0
                             && mdb_crack_row(table.get(), start, size, fields.data()) == int(table->num_cols);
        for (size_t i = 0; i < kColumns.size(); ++i) {
            const bool isNull = cracked && fields[size_t(rowColumn[i])].is_null;
            if (isNull)
                sqlite3_bind_null(insert.get(), int(i) + 1);
            else
                sqlite3_bind_text(insert.get(), int(i) + 1, values[i].data(), -1, SQLITE_TRANSIENT);
        }
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            throw ComError(E_FAIL, path);
        sqlite3_reset(insert.get());
    }
}
