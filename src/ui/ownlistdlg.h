#pragma once

#include <memory>

#include <QDialog>
#include <QHash>
#include <QString>
#include <QStringList>

#include "vocab/ownlists.h"

class MeaningLookup;
class OwnListWordsModel;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QThread;
class QTimer;
struct OwnListDraft;

/// Why `name` cannot name a saved list, or empty: CheckListName's reasons, and a course of the
/// open vocabulary (`vocabularyCourses`), since a run would read that course instead.
QString OwnListNameProblem(const QString& name, const QStringList& vocabularyCourses);

/// 新建词表… and 编辑词表…: a list's name and a box to type or paste its words into (or 导入… a
/// file into), beside a table of each word with its meaning and where that came from, read
/// again a moment after each change (long texts away from the typing, with progress). Meanings
/// are edited in the table. 保存 checks the name and saves the list into `lists`; without them
/// (null) the dialog says why it cannot save.
class OwnListDlg : public QDialog
{
    Q_OBJECT

public:
    /// How long the text rests before it is read again, in milliseconds.
    static constexpr int ReadDelay = 300;
    /// Texts of more lines are read on a thread of their own.
    static constexpr int InlineLines = 1000;

    /// `vocabularyCourses`: names a list may not take, since a run would read that course of the
    /// vocabulary instead. `unavailable`: why `lists` is null.
    OwnListDlg(OwnLists* lists, const QString& unavailable, std::shared_ptr<const MeaningLookup> lookup,
               const QStringList& vocabularyCourses, QWidget* parent = nullptr);
    ~OwnListDlg() override;

    /// Fills the dialog with the saved list `name` for editing; saving replaces it.
    void Edit(const QString& name, const QList<OwnListWord>& words);
    /// The name the list was saved under, once accepted.
    const QString& savedName() const { return m_savedName; }

private:
    struct DraftJob;
    struct ImportJob;

    void TextChanged();
    void ReadText();
    void StartThread(const std::shared_ptr<DraftJob>& job);
    void DraftFinished(const std::shared_ptr<DraftJob>& job);
    void ShowDraft(OwnListDraft&& draft);
    void ShowSummary();
    void OnImport();
    void ImportFinished(const std::shared_ptr<ImportJob>& job);
    void OnSave();
    /// Reads the text now if the table is behind it, waiting for a reading under way.
    void CatchUp();
    void ShowBusy(bool busy);

    OwnLists* m_pLists;
    std::shared_ptr<const MeaningLookup> m_pLookup;
    QStringList m_vocabularyCourses;
    QString m_originalName; // the list being edited
    QHash<QString, OwnListWord> m_kept;
    QString m_savedName;

    QLineEdit* m_pNameEdit;
    QPlainTextEdit* m_pTextEdit;
    QTableView* m_pTable;
    OwnListWordsModel* m_pModel;
    QLabel* m_pSummaryLabel;
    QLabel* m_pUnavailableLabel;
    QProgressBar* m_pProgressBar;
    QPushButton* m_pImportButton;
    QPushButton* m_pSaveButton;
    QTimer* m_pReadTimer;
    QTimer* m_pProgressTimer;

    // Counts changes of the text; a reading shows only if no change came after it started.
    quint64 m_textVersion = 0;
    quint64 m_shownVersion = 0;
    QList<int> m_ignoredLines;
    QList<int> m_tooLongLines;
    int m_duplicatesMerged = 0;
    QThread* m_pThread = nullptr; // a reading or an import under way
    std::shared_ptr<DraftJob> m_pDraftJob;
    std::shared_ptr<ImportJob> m_pImportJob;
};
