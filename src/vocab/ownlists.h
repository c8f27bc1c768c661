// src/vocab/ownlists.h — the user's own lists, kept apart from any vocabulary file.
#pragma once
#include <memory>

#include <QList>
#include <QString>
#include <QStringList>
#include "base/comerror.h"
#include "vocab/wordentry.h"

/// Where a word's meaning came from, shown in the list dialog as 词库 / 自己填 / 没找到.
enum class MeaningSource { Vocabulary, Typed, NotFound };

/// One word of an own list as it is stored.
struct OwnListWord
{
    QString en;
    QString ch;
    MeaningSource source = MeaningSource::Typed;
    bool operator==(const OwnListWord&) const = default;
};

/// The user's own lists in their own SQLite file ($XDG_DATA_HOME/lexovox/mylists.db): never the
/// vocabulary file. Each save, rename or removal is one transaction.
class OwnLists
{
public:
    OwnLists();
    ~OwnLists();
    OwnLists(const OwnLists&) = delete;
    OwnLists& operator=(const OwnLists&) = delete;

    /// $XDG_DATA_HOME/lexovox/mylists.db (QStandardPaths::GenericDataLocation + "/lexovox").
    static QString DefaultPath();
    /// Opens (creating the file and its folder when missing). A corrupt file is moved aside
    /// (renamed, never overwritten) and the failure says where it went; a read-only or locked
    /// file fails with a message saying so. Closed on failure.
    Result<void> Open(const QString& path = DefaultPath());
    /// Opens an existing file for reading only (runs and lessons read lists, never write them):
    /// nothing is created, and a read-only file is no failure.
    Result<void> OpenToRead(const QString& path = DefaultPath());
    bool IsOpen() const;
    /// Whether `name` is a list of the open file; false when none is open.
    bool Has(const QString& name);
    /// The lists' names in the order they were made.
    Result<QStringList> Names();
    Result<QList<OwnListWord>> Words(const QString& name);
    /// Adds the list `name` or, with `replace`, replaces it; without `replace` an existing
    /// name fails (ResultCode for "exists"). Names must pass CheckListName.
    Result<void> Save(const QString& name, const QList<OwnListWord>& words, bool replace);
    Result<void> Rename(const QString& from, const QString& to);
    Result<void> Remove(const QString& name);

private:
    struct Connection;
    Result<void> open(const QString& path, bool writable);
    Result<void> writable() const;

    std::unique_ptr<Connection> m_connection;
    QString m_path;
};

/// Empty when `name` may name a list; otherwise why not (empty, '/' or a control character,
/// over 60 characters, or the name of a course book of the catalogue).
QString CheckListName(const QString& name);
