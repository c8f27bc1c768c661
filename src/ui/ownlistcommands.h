#pragma once

#include <memory>

#include <QString>
#include <QStringList>

#include "base/comerror.h"
#include "vocab/ownlists.h"

class MeaningLookup;
class QWidget;
class WordStore;

/// The window's own lists and what its tree does with them: 新建词表…, 编辑词表…, 重命名…,
/// 删除 and 导出 CSV…, each asking and reporting through `window`. The lists may be missing
/// (their file would not open); the commands then say why.
class OwnListCommands
{
public:
    explicit OwnListCommands(QWidget* window);
    ~OwnListCommands();
    OwnListCommands(const OwnListCommands&) = delete;
    OwnListCommands& operator=(const OwnListCommands&) = delete;

    /// Opens the lists' file. On failure the lists are missing and UnavailableReason says why.
    Result<void> Open(const QString& path = OwnLists::DefaultPath());
    /// The open lists, or null.
    OwnLists* Lists() const;
    const QString& UnavailableReason() const { return m_unavailable; }
    /// The vocabulary meanings are looked up in (may be null); read when a dialog next needs it.
    void SetVocabulary(WordStore* store);

    /// 新建词表…: the name the new list was saved under, or empty when cancelled.
    QString Create();
    /// 编辑词表…: the name the list was saved under, or empty when left as it was.
    QString Edit(const QString& name);
    /// 重命名…: the new name, or empty when cancelled or refused (the refusal is shown).
    QString Rename(const QString& name);
    /// 删除, asked first: whether the list is gone.
    bool Remove(const QString& name);
    /// 导出 CSV…: the list's words written where the user picks.
    void Export(const QString& name);

private:
    QString RunDialog(const QString& editedName, const QList<OwnListWord>& words);
    std::shared_ptr<const MeaningLookup> Lookup();
    QStringList VocabularyCourses() const;

    QWidget* m_pWindow;
    std::unique_ptr<OwnLists> m_pLists;
    QString m_unavailable;
    WordStore* m_pStore = nullptr;
    std::shared_ptr<const MeaningLookup> m_pLookup; // built for m_pStore on first use
};
