#pragma once

#include <initializer_list>
#include <optional>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

/// One row for a test vocabulary; std::nullopt stores NULL.
struct FixtureRow
{
    std::optional<QString> en;
    std::optional<QString> ch;
    std::optional<QString> subclass;
};

/// Writes a SQLite vocabulary with table `word` (or `table` when given) holding `rows` in order.
void WriteVocabulary(const QString& path, std::initializer_list<FixtureRow> rows,
                     const char* createTable = "CREATE TABLE word (en TEXT, ch TEXT, subclass TEXT)");

QByteArray ReadBytes(const QString& path);
void WriteBytes(const QString& path, const QByteArray& bytes);

/// Runs the test body with `dir` as the current directory, restoring the old one after.
class CurrentDirGuard
{
public:
    explicit CurrentDirGuard(const QString& dir);
    ~CurrentDirGuard();

private:
    QString m_previous;
};
