#include "ui/cwordspeechdlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTreeView>
#include <QUrl>

#include "resources/appicon.h"
#include "resources/dialogtemplate.h"
#include "resources/resourceids.h"
#include "output/outputpath.h"
#include "speech/audioformattable.h"
#include "speech/speechengine.h"
#include "ui/caboutdlg.h"
#include "ui/chelpdlg.h"
#include "ui/clicklabel.h"
#include "ui/combotokenlist.h"
#include "ui/coursetreemodel.h"
#include "ui/folderbrowser.h"
#include "ui/generationrun.h"
#include "ui/ownlistcommands.h"
#include "output/batchreport.h"
#include "ui/choicebinding.h"
#include "ui/windowsettings.h"
#include "ui/templatebuilder.h"
#include "ui/prompt.h"
#include "ui/rememberedvocabulary.h"
#include "ui/singlebranchexpander.h"
#include "ui/tooltipdelaystyle.h"
#include "ui/windowanimator.h"
#include "ui/windowmenu.h"
#include "ui/wordlistview.h"
#include "vocab/coursecatalogue.h"
#include "vocab/ownlists.h"
#include "vocab/vocabularylocation.h"
#include "vocab/wordlistfill.h"
#include "vocab/wordlistmodel.h"
#include "vocab/wordlookup.h"
#include "vocab/wordstatements.h"
#include "vocab/wordstore.h"

CWordSpeechDlg::CWordSpeechDlg(WordStore* connection, QWidget* parent, std::shared_ptr<speech::Platform> platform)
    : QDialog(parent)
    , m_pConnection(connection)
    , m_pSpeechEngine(std::make_unique<SpeechEngine>(std::move(platform)))
    , m_hIcon(applicationIcon())
    , m_pOwnLists(std::make_unique<OwnListCommands>(this))
{
    TemplateBuilder builder(this);
    builder.build(*findDialogTemplate(IDD_WORDSPEECH_DIALOG));
    BindControls(builder);

    m_pAnimator = new WindowAnimator(this, AnimationDuration);
    m_pRun = new GenerationRun(m_pGenerateButton, m_pProgressBar, {m_pSkipExistingCheckBox, m_pOutputOptionsButton},
                               [this](bool enable) { EnableControls(enable); }, this);

    ConnectEvents();
    OnInitDialog();
}

CWordSpeechDlg::~CWordSpeechDlg()
{
    if (m_pChoices)
        SaveWindowSettings(m_pChoices->Current(m_pSpeechEngine->GetVoiceId()));
}

void CWordSpeechDlg::BindControls(const TemplateBuilder& builder)
{
    m_pChineseMeaningCheckBox = builder.control<QCheckBox>(IDC_CHINESE_MEANING);
    m_pPrefixCheckBox = builder.control<QCheckBox>(IDC_PREFIX);
    m_pSpellOutCheckBox = builder.control<QCheckBox>(IDC_SPELL_OUT);
    m_pHelpButton = builder.control<QPushButton>(IDC_HELP_BUTTON);
    m_pProgressBar = builder.control<QProgressBar>(IDC_PROGRESS);
    m_pVoiceComboBox = builder.control<QComboBox>(IDC_VOICE);
    m_pFormatComboBox = builder.control<QComboBox>(IDC_FORMAT);
    m_pCheckAllButton = builder.control<QPushButton>(IDC_CHECK_ALL);
    m_pLookUpEnglishButton = builder.control<QPushButton>(IDC_LOOKUP_ENGLISH);
    m_pLookUpChineseButton = builder.control<QPushButton>(IDC_LOOKUP_CHINESE);
    m_pBrowseButton = builder.control<QPushButton>(IDC_BROWSE);
    m_pInvertChecksButton = builder.control<QPushButton>(IDC_INVERT_CHECKS);
    m_pCheckNoneButton = builder.control<QPushButton>(IDC_CHECK_NONE);
    m_pGenerateButton = builder.control<QPushButton>(IDC_GENERATE);
    m_pSkipExistingCheckBox = builder.control<QCheckBox>(IDC_SKIP_EXISTING);
    m_pOutputOptionsButton = builder.control<QPushButton>(IDC_OUTPUT_OPTIONS);
    m_pPreviewButton = builder.control<QPushButton>(IDC_PREVIEW);
    m_pWordList = builder.control<QTableView>(IDC_WORD_LIST);
    m_pCourseTree = builder.control<QTreeView>(IDC_COURSE_TREE);
    m_pLookUpEnglishEdit = builder.control<QLineEdit>(IDC_LOOKUP_ENGLISH_EDIT);
    m_pLookUpChineseEdit = builder.control<QLineEdit>(IDC_LOOKUP_CHINESE_EDIT);
    m_pOutputFolderEdit = builder.control<QLineEdit>(IDC_OUTPUT_FOLDER);
    m_pExitButton = builder.control<QPushButton>(IDOK);
    m_pDownloadLink = builder.control<ClickLabel>(IDC_DOWNLOAD_LINK);
    m_pNewOwnListButton = builder.control<QPushButton>(IDC_NEW_OWN_LIST);
    for (const ControlToolTip& tip : mainWindowToolTips())
        m_controls.insert(tip.id, builder.control(tip.id));

    // The format list is made holding its entries; their codes come once the engine runs.
    for (const speech::AudioFormatEntry& entry : speech::AudioFormatTable)
        m_pFormatComboBox->addItem(QString::fromUtf16(entry.label));
    // Assistive tools name each list by the label before it.
    if (auto* label = findChild<QLabel*>(QStringLiteral("voiceLabel")))
        label->setBuddy(m_pVoiceComboBox);
    if (auto* label = findChild<QLabel*>(QStringLiteral("formatLabel")))
        label->setBuddy(m_pFormatComboBox);
}

void CWordSpeechDlg::ConnectEvents()
{
    // The window menu goes to OnSysCommand (contextMenuEvent), a close request to closeEvent.
    // The course tree reports selections to OnCourseSelected from BuildCourseTree: a view's
    // selection model only exists with its model.
    connect(m_pLookUpEnglishButton, &QPushButton::clicked, this, &CWordSpeechDlg::OnLookUpEnglish);
    connect(m_pLookUpChineseButton, &QPushButton::clicked, this, &CWordSpeechDlg::OnLookUpChinese);
    // activated, not currentIndexChanged: only the user's choice counts, not the window's own
    // selection of an entry.
    connect(m_pFormatComboBox, &QComboBox::activated, this, &CWordSpeechDlg::OnOutputFormatChosen);
    connect(m_pVoiceComboBox, &QComboBox::activated, this, &CWordSpeechDlg::OnVoiceChosen);
    connect(m_pBrowseButton, &QPushButton::clicked, this, &CWordSpeechDlg::OnBrowseFolder);
    connect(m_pCheckAllButton, &QPushButton::clicked, this, &CWordSpeechDlg::OnCheckAll);
    connect(m_pCheckNoneButton, &QPushButton::clicked, this, &CWordSpeechDlg::OnCheckNone);
    connect(m_pInvertChecksButton, &QPushButton::clicked, this, &CWordSpeechDlg::OnInvertChecks);
    connect(m_pPreviewButton, &QPushButton::clicked, this, &CWordSpeechDlg::OnPreview);
    connect(m_pGenerateButton, &QPushButton::clicked, this, &CWordSpeechDlg::OnGenerateFiles);
    connect(m_pOutputOptionsButton, &QPushButton::clicked, this, [this] { m_pChoices->EditOptions(this); });
    connect(m_pHelpButton, &QPushButton::clicked, this, &CWordSpeechDlg::OnHelp);
    connect(m_pDownloadLink, &ClickLabel::clicked, this, &CWordSpeechDlg::OnDownloadLink);
    connect(m_pExitButton, &QPushButton::clicked, this, &CWordSpeechDlg::OnOK);
    connect(m_pNewOwnListButton, &QPushButton::clicked, this, &CWordSpeechDlg::OnNewOwnList);
    m_ownListMenu = CreateOwnListMenu(this);
    connect(m_ownListMenu.create, &QAction::triggered, this, &CWordSpeechDlg::OnNewOwnList);
    connect(m_ownListMenu.edit, &QAction::triggered, this, &CWordSpeechDlg::OnEditOwnList);
    connect(m_ownListMenu.rename, &QAction::triggered, this, &CWordSpeechDlg::OnRenameOwnList);
    connect(m_ownListMenu.remove, &QAction::triggered, this, &CWordSpeechDlg::OnRemoveOwnList);
    connect(m_ownListMenu.exportCsv, &QAction::triggered, this, &CWordSpeechDlg::OnExportOwnList);
    m_pCourseTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pCourseTree, &QWidget::customContextMenuRequested, this, &CWordSpeechDlg::OnCourseTreeMenu);
}

bool CWordSpeechDlg::OnInitDialog()
{
    DoDataExchange(false);
    m_pSystemMenu = CreateWindowMenu(this, [this] { OnOpenVocabulary(); }, [this](unsigned id) { OnSysCommand(id); });
    setWindowIcon(m_hIcon);
    OpenOwnLists();
    BuildCourseTree();
    // Said once; the tree's 我的词表 keeps saying it.
    if (!ownLists())
        Prompt::warning(this, QStringLiteral("我的词表打不开，自己的词表暂时不能用：%1").arg(m_pOwnLists->UnavailableReason()));
    SetUpWordList();
    // Without a running speech engine the window opens as it is: centred by Qt, at once, with
    // no voices, formats or tooltips.
    if (!StartSpeechEngine())
        return false;
    FillVoiceList();
    SetFormatCodes();
    RestoreSettings();
    CenterWindow();
    m_pAnimator->ArmOpening();
    CreateToolTips();
    return true;
}

void CWordSpeechDlg::DoDataExchange(bool saveAndValidate)
{
    if (saveAndValidate) {
        m_strFindEn = m_pLookUpEnglishEdit->text();
        m_strFindCh = m_pLookUpChineseEdit->text();
        m_strOutputFolder = m_pOutputFolderEdit->text();
    } else {
        m_pLookUpEnglishEdit->setText(m_strFindEn);
        m_pLookUpChineseEdit->setText(m_strFindCh);
        m_pOutputFolderEdit->setText(m_strOutputFolder);
    }
}

void CWordSpeechDlg::BuildCourseTree()
{
    m_pCourseModel = new QStandardItemModel(this);
    FillCourseTree();
    m_pCourseTree->setModel(m_pCourseModel);
    new SingleBranchExpander(m_pCourseTree);
    connect(m_pCourseTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CWordSpeechDlg::OnCourseSelected);
}

void CWordSpeechDlg::FillCourseTree()
{
    m_refillingTree = true;
    const Result<void> filled = FillCourseModel(*m_pCourseModel, m_pConnection);
    const Result<void> own = FillOwnListsNode(*m_pCourseModel, ownLists(), m_pOwnLists->UnavailableReason());
    m_refillingTree = false;
    if (!filled)
        ShowComError(filled.error());
    if (!own)
        ShowComError(own.error());
}

void CWordSpeechDlg::OpenOwnLists()
{
    // Failing leaves the lists missing; the window opens on the vocabulary all the same.
    (void)m_pOwnLists->Open();
    m_pOwnLists->SetVocabulary(m_pConnection);
}

OwnLists* CWordSpeechDlg::ownLists() const
{
    return m_pOwnLists->Lists();
}

void CWordSpeechDlg::RefreshOwnLists(const QString& name)
{
    m_refillingTree = true;
    const Result<void> filled = FillOwnListsNode(*m_pCourseModel, ownLists(), m_pOwnLists->UnavailableReason());
    m_refillingTree = false;
    if (!filled)
        ShowComError(filled.error());
    QStandardItem* category = m_pCourseModel->item(m_pCourseModel->rowCount() - 1);
    for (int row = 0; category && row < category->rowCount(); ++row) {
        if (category->child(row)->text() == name) {
            m_pCourseTree->expand(category->index());
            m_pCourseTree->setCurrentIndex(category->child(row)->index());
            return;
        }
    }
}

QString CWordSpeechDlg::CurrentOwnList() const
{
    const QModelIndex node = m_pCourseTree->currentIndex();
    return node.isValid() && node.data(Qt::UserRole).toInt() == kOwnListTag ? node.data().toString() : QString();
}

void CWordSpeechDlg::OnCourseTreeMenu(const QPoint& position)
{
    // The node under the pointer is the one the menu acts on: selected first, as a click would.
    if (const QModelIndex node = m_pCourseTree->indexAt(position); node.isValid())
        m_pCourseTree->setCurrentIndex(node);
    m_ownListMenu.ShowListEntries(!CurrentOwnList().isEmpty());
    m_ownListMenu.menu->exec(m_pCourseTree->viewport()->mapToGlobal(position));
}

void CWordSpeechDlg::OnNewOwnList()
{
    if (const QString saved = m_pOwnLists->Create(); !saved.isEmpty())
        RefreshOwnLists(saved);
}

void CWordSpeechDlg::OnEditOwnList()
{
    const QString name = CurrentOwnList();
    if (name.isEmpty())
        return;
    // Saved under its own name too, the list's node is made anew, so its words are listed again.
    if (const QString saved = m_pOwnLists->Edit(name); !saved.isEmpty())
        RefreshOwnLists(saved);
}

void CWordSpeechDlg::OnRenameOwnList()
{
    const QString name = CurrentOwnList();
    if (name.isEmpty())
        return;
    if (const QString renamed = m_pOwnLists->Rename(name); !renamed.isEmpty())
        RefreshOwnLists(renamed);
}

void CWordSpeechDlg::OnRemoveOwnList()
{
    const QString name = CurrentOwnList();
    if (name.isEmpty() || !m_pOwnLists->Remove(name))
        return;
    if (m_strCourse == name) {
        m_pWordModel->clear();
        m_strCourse.clear();
        m_source = {};
    }
    RefreshOwnLists({});
}

void CWordSpeechDlg::OnExportOwnList()
{
    if (const QString name = CurrentOwnList(); !name.isEmpty())
        m_pOwnLists->Export(name);
}

void CWordSpeechDlg::SetUpWordList()
{
    m_pWordModel = new WordListModel(this);
    ConfigureWordListView(m_pWordList, m_pWordModel);
}

bool CWordSpeechDlg::StartSpeechEngine()
{
    const Result<void> started = m_pSpeechEngine->Initialize(this);
    if (!started)
        Prompt::warning(this, started.error().ErrorMessage());
    return bool(started);
}

void CWordSpeechDlg::FillVoiceList()
{
    // Whatever failed leaves voices out; the list shows the rest.
    ComboTokenList list(m_pVoiceComboBox, true);
    speech::FillVoiceList(list, m_pSpeechEngine->GetPlatform());
    ShowWholeEntries(*m_pVoiceComboBox);
}

void CWordSpeechDlg::RestoreSettings()
{
    m_pChoices = std::make_unique<ChoiceBinding>(
        ChoiceBinding::Boxes{m_pOutputFolderEdit, m_pSpellOutCheckBox, m_pChineseMeaningCheckBox, m_pPrefixCheckBox,
                             m_pSkipExistingCheckBox, m_pFormatComboBox},
        *m_pSpeechEngine);
    const WindowSettings saved = m_pChoices->Restore();
    m_strOutputFolder = saved.job.folder;
    // The window saves long ids; the command line's lookup also takes a short one written there.
    if (const int voice = FindVoiceEntry(*m_pVoiceComboBox, m_pSpeechEngine->GetPlatform(), saved.job.voiceId); voice >= 0) {
        m_pVoiceComboBox->setCurrentIndex(voice);
        OnVoiceChosen(voice);
    }
    if (m_pChoices->FormatEntry() >= 0)
        OnOutputFormatChosen(m_pChoices->FormatEntry());
}

void CWordSpeechDlg::SetFormatCodes()
{
    for (int i = 0; i < m_pFormatComboBox->count(); ++i)
        m_pFormatComboBox->setItemData(i, speech::AudioFormatTable[static_cast<std::size_t>(i)].code);
    // -1, a format the table lacks, leaves the list without a selection until the user picks.
    m_pFormatComboBox->setCurrentIndex(m_pSpeechEngine->GetOutputFormatIndex());
}

void CWordSpeechDlg::CenterWindow()
{
    CenterOnScreen(*this);
}

void CWordSpeechDlg::CreateToolTips()
{
    m_pToolTipStyle = new ToolTipDelayStyle(ToolTipDelay, this);
    for (const ControlToolTip& tip : mainWindowToolTips()) {
        QWidget* control = m_controls.value(tip.id);
        control->setToolTip(QString::fromUtf16(tip.text));
        m_pToolTipStyle->apply(control);
    }
}

void CWordSpeechDlg::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    if (showing)
        m_pAnimator->BeforeShow();
    QDialog::setVisible(visible);
    if (showing)
        m_pAnimator->AfterShow();
}

void CWordSpeechDlg::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_pSystemMenu) {
        QDialog::contextMenuEvent(event);
        return;
    }
    m_pSystemMenu->exec(event->globalPos());
    event->accept();
}

void CWordSpeechDlg::closeEvent(QCloseEvent* event)
{
    if (!isVisible()) {
        QDialog::closeEvent(event);
        return;
    }
    // The window stays until the animation has shrunk it away; reject() then ends it. A run
    // of generation is stopped first, after the words in progress.
    event->ignore();
    const auto close = [this] { m_pAnimator->Close([this] { reject(); }); };
    if (!m_pRun->StopThen(close))
        close();
}

void CWordSpeechDlg::OnSysCommand(unsigned nID)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout(this);
        dlgAbout.exec();
    }
}

void CWordSpeechDlg::OnOpenVocabulary()
{
    const QString path = Prompt::chooseFile(this, QStringLiteral("打开词库"),
                                            QStringLiteral("词库 (*.dll *.db *.sqlite *.mdb);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    // Opened on the side first, so a file that fails leaves the open vocabulary in use.
    WordStore store;
    if (const Result<void> opened = store.Open(VocabularyConnectionString(path)); !opened) {
        ShowComError(opened.error());
        return;
    }
    if (!m_pConnection) {
        m_pOwnConnection = std::make_unique<WordStore>();
        m_pConnection = m_pOwnConnection.get();
    }
    *m_pConnection = std::move(store);
    m_pOwnLists->SetVocabulary(m_pConnection);
    RememberVocabulary(m_pConnection->FilePath());
    m_pWordModel->clear();
    m_strCourse.clear();
    FillCourseTree();
}

void CWordSpeechDlg::OnOK()
{
    const auto close = [this] {
        m_pAnimator->Close([this] {
            DoDataExchange(true);
            accept();
        });
    };
    if (!m_pRun->StopThen(close))
        close();
}

void CWordSpeechDlg::OnHelp()
{
    CHelpDlg dlgHelp;
    dlgHelp.exec();
}

void CWordSpeechDlg::OnDownloadLink()
{
    // More voices come from speech programs the user installs: the README says how. Without
    // it beside the program, the voice data's own page. Whether a browser could be started is
    // not reported.
    QUrl page = QUrl(QString::fromUtf16(loadResourceString(IDS_VOICE_DOWNLOAD)));
    const QDir programs(QCoreApplication::applicationDirPath());
    for (const QString& relative : {u"../share/doc/lexovox/README.md"_qs, u"../../share/doc/lexovox/README.md"_qs}) {
        if (const QFileInfo readme(programs.filePath(relative)); readme.exists()) {
            page = QUrl::fromLocalFile(readme.canonicalFilePath());
            page.setFragment(u"more-voices"_qs);
            break;
        }
    }
    QDesktopServices::openUrl(page);
}

void CWordSpeechDlg::OnCourseSelected()
{
    const QModelIndex node = m_pCourseTree->currentIndex();
    m_ownListMenu.ShowListEntries(!CurrentOwnList().isEmpty());
    if (m_refillingTree || !node.isValid() || CourseNode::IsCategoryTag(node.data(Qt::UserRole).toInt()))
        return;
    m_strCourse = node.data(Qt::DisplayRole).toString();
    // An own list is a course to the run too: it reads the list of that name.
    m_source = {WordSource::Kind::Course, m_strCourse};
    if (node.data(Qt::UserRole).toInt() == kOwnListTag)
        ListOwnListWords(m_strCourse);
    else
        ReplaceWordList(CourseStatement(m_strCourse));
}

void CWordSpeechDlg::ListOwnListWords(const QString& name)
{
    m_pWordModel->clear();
    if (!ownLists())
        return;
    const Result<QList<OwnListWord>> words = ownLists()->Words(name);
    if (!words) {
        ShowComError(words.error());
        return;
    }
    std::vector<WordEntry> entries;
    entries.reserve(size_t(words->size()));
    for (const OwnListWord& word : *words)
        entries.push_back({word.en, word.ch});
    m_pWordModel->append(std::move(entries));
}

void CWordSpeechDlg::OnLookUpEnglish()
{
    DoDataExchange(true);
    // The box keeps what was typed; only the text searched for loses its spaces.
    const std::optional<QString> text = EnglishLookUpText(m_strFindEn);
    if (!text)
        return;
    m_strFindEn = *text;
    m_source = {WordSource::Kind::EnglishLookUp, m_strFindEn};
    ReplaceWordList(EnglishLookUpStatement(m_strFindEn));
}

void CWordSpeechDlg::OnLookUpChinese()
{
    DoDataExchange(true);
    const std::optional<QString> text = ChineseLookUpText(m_strFindCh);
    if (!text)
        return;
    m_strFindCh = *text;
    m_source = {WordSource::Kind::ChineseLookUp, m_strFindCh};
    ReplaceWordList(ChineseLookUpStatement(m_strFindCh));
}

void CWordSpeechDlg::ReplaceWordList(const QString& statement)
{
    EnableControls(false);
    m_pWordModel->clear();
    FillWordList(statement);
    EnableControls(true);
}

void CWordSpeechDlg::FillWordList(const QString& statement)
{
    if (const Result<int> filled = ::FillWordList(m_pConnection, statement, *m_pWordModel); !filled)
        ShowComError(filled.error());
}

void CWordSpeechDlg::ShowComError(const ComError& error)
{
    Prompt::warning(this, error.ErrorMessage());
}

void CWordSpeechDlg::EnableControls(bool enable)
{
    // Disabling the focused button hands the focus on; give it back when the work is done.
    if (!enable)
        m_pFocusBeforeLock = focusWidget();
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_pLookUpEnglishButton, m_pLookUpChineseButton, m_pPreviewButton, m_pGenerateButton,
             m_pBrowseButton, m_pCheckAllButton, m_pCheckNoneButton, m_pInvertChecksButton, m_pHelpButton,
             m_pCourseTree, m_pChineseMeaningCheckBox, m_pPrefixCheckBox, m_pSpellOutCheckBox}) {
        control->setEnabled(enable);
    }
    if (enable && m_pFocusBeforeLock)
        m_pFocusBeforeLock->setFocus();
}

int CWordSpeechDlg::SelectedRow() const
{
    const QModelIndexList rows = m_pWordList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CWordSpeechDlg::OnOutputFormatChosen(int index)
{
    // A refused format leaves the engine's as it was; the list still shows the pick.
    m_pSpeechEngine->SetOutputFormat(m_pFormatComboBox->itemData(index).toInt());
}

void CWordSpeechDlg::OnVoiceChosen(int /*index*/)
{
    const ComboTokenList list(m_pVoiceComboBox, true);
    m_pSpeechEngine->SelectVoiceFromList(&list);
}

void CWordSpeechDlg::OnBrowseFolder()
{
    FolderBrowser browser;
    // A cancelled browse empties the folder, so the next run asks again.
    m_strOutputFolder = browser.Browse(this, QStringLiteral("我的电脑"));
    DoDataExchange(false);
}

void CWordSpeechDlg::OnCheckAll()
{
    m_pWordModel->checkAll();
}

void CWordSpeechDlg::OnCheckNone()
{
    m_pWordModel->checkNone();
}

void CWordSpeechDlg::OnInvertChecks()
{
    m_pWordModel->invertChecks();
}

SpeechOptions CWordSpeechDlg::CurrentSpeechOptions() const
{
    return SpeechOptions{m_pSpellOutCheckBox->isChecked(), m_pChineseMeaningCheckBox->isChecked(),
                         m_pPrefixCheckBox->isChecked()};
}

WordSpeech CWordSpeechDlg::CurrentWordSpeech() const
{
    // Read afresh each time, so an edit in the user's editor counts at once; lines in error are
    // left out (the 选项… dialog names them).
    std::shared_ptr<const PronunciationList> list;
    if (Result<PronunciationList> read = PronunciationList::Read(m_pChoices->Sound().PronunciationsPath()))
        list = std::make_shared<const PronunciationList>(std::move(*read));
    return m_pChoices->Sound().Speech(CurrentSpeechOptions(), std::move(list), m_pSpeechEngine->VoiceReadsPhonemes());
}

void CWordSpeechDlg::OnPreview()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    // Returns at once; a second press cuts this word short.
    m_pSpeechEngine->SpeakText(CurrentWordSpeech().Compose(m_pWordModel->en(row), m_pWordModel->ch(row)),
                               SpeechEngine::kSpeakAsync);
}

void CWordSpeechDlg::OnGenerateFiles()
{
    // While a run lasts the button reads 停止.
    if (m_pRun->IsRunning()) {
        m_pRun->Stop();
        return;
    }
    DoDataExchange(true);
    if (!IsUsableOutputFolder(m_strOutputFolder)) {
        Prompt::message(this, QStringLiteral("消息"), QStringLiteral("请选择存储路径,并重新按“生成文件”按钮"),
                        QMessageBox::NoIcon);
        OnBrowseFolder();
        return;
    }

    const BatchJob job = JobFromWindow(m_pChoices->Current(m_pSpeechEngine->GetVoiceId()), m_source, m_pWordModel->checkedEntries());
    const Result<PlannedRun> run = PrepareRun(job, m_pSpeechEngine->VoiceReadsPhonemes());
    if (!run) {
        // In Chinese, as the window speaks whatever the locale.
        Prompt::warning(this, FailureReason(run.error()));
        return;
    }
    m_pRun->Start(job, run->words, run->lesson, m_pSpeechEngine->RateNotice(job.sound.englishRate));
}

BatchEngine& CWordSpeechDlg::batchEngine() const
{
    return m_pRun->Engine();
}
