#include "vocabfixture.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

void WriteVocabulary(const QString& path, std::initializer_list<FixtureRow> rows, const char* createTable)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, createTable, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db, "INSERT INTO word VALUES (?, ?, ?)", -1, &insert, nullptr) == SQLITE_OK) {
        for (const FixtureRow& row : rows) {
            int column = 1;
            for (const std::optional<QString>& value : {row.en, row.ch, row.subclass}) {
                if (value)
                    sqlite3_bind_text(insert, column, value->toUtf8().constData(), -1, SQLITE_TRANSIENT);
                else
                    sqlite3_bind_null(insert, column);
                ++column;
            }
            EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE);
            sqlite3_reset(insert);
        }
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
}

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

CurrentDirGuard::CurrentDirGuard(const QString& dir)
    : m_previous(QDir::currentPath())
{
    QDir::setCurrent(dir);
}

CurrentDirGuard::~CurrentDirGuard()
{
    QDir::setCurrent(m_previous);
}
