#pragma once

#include <functional>
#include <memory>

#include <QDialog>
#include <QHash>
#include <QIcon>
#include <QPointer>
#include <QString>

#include "output/batchjob.h"
#include "output/fileoptions.h"
#include "output/soundoptions.h"
#include "ui/windowmenu.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QStandardItemModel;
class ComError;
class OwnLists;
class QTableView;
class QTreeView;
class ClickLabel;
class TemplateBuilder;
class ToolTipDelayStyle;
class WindowAnimator;
class BatchEngine;
class GenerationRun;
class ChoiceBinding;
class OwnListCommands;
struct BatchReport;
class WordListModel;
struct WindowSettings;
class WordStore;
class SpeechEngine;
struct SpeechOptions;
namespace speech {
class Platform;
}

/// The main window: course tree, word list, look-ups, speaking options, voice, format and
/// output folder, preview and generation. It is built from its dialog template and ends with
/// accept() from the exit button (texts saved), reject() from a close request (both after the
/// closing animation) or reject() at once from Escape.
class CWordSpeechDlg : public QDialog
{
    Q_OBJECT

public:
    /// Length of the opening and closing animations, in milliseconds.
    static constexpr int AnimationDuration = 800;
    /// How long the pointer rests on a control before its tooltip shows, in milliseconds.
    static constexpr int ToolTipDelay = 300;

    /// `connection` may be null (no vocabulary file); the window does not own it. `platform`
    /// null: the real speech platform.
    explicit CWordSpeechDlg(WordStore* connection, QWidget* parent = nullptr,
                            std::shared_ptr<speech::Platform> platform = nullptr);
    ~CWordSpeechDlg() override;

    /// The texts bound to the look-up boxes and the output folder box, as of the last save.
    const QString& lookUpEnglish() const { return m_strFindEn; }
    const QString& lookUpChinese() const { return m_strFindCh; }
    const QString& outputFolder() const { return m_strOutputFolder; }
    const QString& course() const { return m_strCourse; }
    /// The user's own lists, or null when their file would not open.
    OwnLists* ownLists() const;

    /// Disables (false) or enables (true) the thirteen action controls while a fill or a
    /// generation run lasts.
    void EnableControls(bool enable);
    /// Runs a word statement and appends its rows to the list; a failure is shown and the rows
    /// read before it stay.
    void FillWordList(const QString& statement);
    /// The selected row of the word list, or -1.
    int SelectedRow() const;
    WordListModel* wordListModel() const { return m_pWordModel; }
    SpeechEngine& speechEngine() const { return *m_pSpeechEngine; }
    BatchEngine& batchEngine() const;
    /// The three speaking options as their boxes stand now.
    SpeechOptions CurrentSpeechOptions() const;
    /// What is said for a word now: the three options, the 选项… dialog's repeats and pauses, and
    /// the pronunciation list as its file stands.
    WordSpeech CurrentWordSpeech() const;

    /// Plays the opening animation the first time the window is shown.
    void setVisible(bool visible) override;

public slots:
    /// A window menu command; the about entry (any id whose upper bits match) opens the
    /// about box.
    void OnSysCommand(unsigned nID);

protected slots:
    void OnCourseSelected();
    void OnLookUpEnglish();
    void OnLookUpChinese();
    void OnOutputFormatChosen(int index);
    void OnVoiceChosen(int index);
    void OnBrowseFolder();
    void OnCheckAll();
    void OnCheckNone();
    void OnInvertChecks();
    void OnPreview();
    void OnGenerateFiles();
    void OnHelp();
    void OnDownloadLink();
    /// The window menu's 打开词库…: picks a vocabulary file, opens it in place of the open one,
    /// remembers it for the next start and lists its courses; a file that will not open is
    /// reported and the open one stays.
    void OnOpenVocabulary();
    /// The exit button: closing animation, then the texts are saved and the dialog accepted.
    virtual void OnOK();
    /// 新建词表… (the button under the tree and the tree's menu): the new list is put in the
    /// tree under 我的词表, selected, its words listed.
    void OnNewOwnList();
    /// The tree's menu on an own list.
    void OnEditOwnList();
    void OnRenameOwnList();
    void OnRemoveOwnList();
    void OnExportOwnList();

protected:
    /// Copies the three bound texts into their boxes, or back when `saveAndValidate` is set.
    virtual void DoDataExchange(bool saveAndValidate);
    /// Runs once from the constructor. Returns false when the initialisation stopped early.
    virtual bool OnInitDialog();

    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BindControls(const TemplateBuilder& builder);
    void ConnectEvents();
    void BuildCourseTree();
    /// The catalogue's books, then under 其他词表 the open vocabulary's courses that are not
    /// among them, when it has any.
    void FillCourseTree();
    /// Opens the own lists' file; a failure is kept for the tree and said once.
    void OpenOwnLists();
    /// Rebuilds 我的词表 and selects the list `name` (none: empty), which lists its words.
    void RefreshOwnLists(const QString& name);
    /// The own list the tree's current node is, or empty.
    QString CurrentOwnList() const;
    void OnCourseTreeMenu(const QPoint& position);
    void SetUpWordList();
    bool StartSpeechEngine();
    void FillVoiceList();
    void SetFormatCodes();
    void CenterWindow();
    void CreateToolTips();

    void ShowComError(const ComError& error);
    /// The choices of the last run of the program: folder, voice, format, speaking options and
    /// the file options; kept again when the window goes.
    void RestoreSettings();
    /// Locks the controls, empties the list, fills it from `statement` and unlocks them.
    void ReplaceWordList(const QString& statement);
    /// Empties the list and fills it with the own list `name`'s words.
    void ListOwnListWords(const QString& name);

    WordStore* m_pConnection;
    /// The connection a vocabulary opened from the window lives in when none was given.
    std::unique_ptr<WordStore> m_pOwnConnection;
    QString m_strCourse;
    std::unique_ptr<SpeechEngine> m_pSpeechEngine;

    QCheckBox* m_pChineseMeaningCheckBox = nullptr;
    QCheckBox* m_pPrefixCheckBox = nullptr;
    QCheckBox* m_pSpellOutCheckBox = nullptr;
    QPushButton* m_pHelpButton = nullptr;
    QProgressBar* m_pProgressBar = nullptr;
    QComboBox* m_pVoiceComboBox = nullptr;
    QComboBox* m_pFormatComboBox = nullptr;
    QPushButton* m_pCheckAllButton = nullptr;
    QPushButton* m_pLookUpEnglishButton = nullptr;
    QPushButton* m_pLookUpChineseButton = nullptr;
    QPushButton* m_pBrowseButton = nullptr;
    QPushButton* m_pInvertChecksButton = nullptr;
    QPushButton* m_pCheckNoneButton = nullptr;
    QPushButton* m_pGenerateButton = nullptr;
    QPushButton* m_pPreviewButton = nullptr;
    QTableView* m_pWordList = nullptr;
    QTreeView* m_pCourseTree = nullptr;
    QLineEdit* m_pLookUpEnglishEdit = nullptr;
    QLineEdit* m_pLookUpChineseEdit = nullptr;
    QLineEdit* m_pOutputFolderEdit = nullptr;
    QPushButton* m_pExitButton = nullptr;
    ClickLabel* m_pDownloadLink = nullptr;

    QString m_strFindEn;
    QString m_strFindCh;
    QString m_strOutputFolder;

    QStandardItemModel* m_pCourseModel = nullptr;
    WordListModel* m_pWordModel = nullptr;
    QMenu* m_pSystemMenu = nullptr;
    QPointer<QWidget> m_pFocusBeforeLock;
    ToolTipDelayStyle* m_pToolTipStyle = nullptr;
    QHash<int, QWidget*> m_controls; // those with a tooltip, by id
    QIcon m_hIcon;

    WindowAnimator* m_pAnimator = nullptr;
    GenerationRun* m_pRun = nullptr;
    QPushButton* m_pOutputOptionsButton = nullptr;
    std::unique_ptr<ChoiceBinding> m_pChoices; // made when the settings are restored
    WordSource m_source; // what the list holds: the course or the look-up
    QCheckBox* m_pSkipExistingCheckBox = nullptr;
    QPushButton* m_pNewOwnListButton = nullptr;
    std::unique_ptr<OwnListCommands> m_pOwnLists;
    OwnListMenu m_ownListMenu;
    bool m_refillingTree = false; // the tree's own changes are no selection of the user's
};
