#include "ui/ownlistdlg.h"

#include <atomic>

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/prompt.h"
#include "vocab/listfile.h"
#include "vocab/meaninglookup.h"
#include "vocab/ownlistdraft.h"
#include "vocab/ownlistwordsmodel.h"

namespace {

constexpr char16_t kTextHint[] = u"每行一个单词或短语，可以带中文意思，例如：\n"
                                 u"apple\n"
                                 u"banana\t香蕉\n"
                                 u"look after  照顾\n"
                                 u"也可以从 Word、Excel 或网页复制后粘贴进来。";

// "第 3、7、12 行" with at most five numbers, then how many more.
QString lineList(const QList<int>& lines)
{
    QStringList shown;
    for (qsizetype i = 0; i < lines.size() && i < 5; ++i)
        shown << QString::number(lines[i]);
    QString text = QStringLiteral("第 %1 行").arg(shown.join(u'、'));
    if (lines.size() > 5)
        text += QStringLiteral("等 %1 行").arg(lines.size());
    return text;
}

int lineCount(const QString& text)
{
    return int(text.count(u'\n')) + 1;
}

} // namespace

QString OwnListNameProblem(const QString& name, const QStringList& vocabularyCourses)
{
    if (const QString why = CheckListName(name); !why.isEmpty())
        return QStringLiteral("词表名称不能用：%1").arg(why);
    if (vocabularyCourses.contains(name))
        return QStringLiteral("词库里已有名为“%1”的课程，请换一个名称。").arg(name);
    return {};
}

struct OwnListDlg::DraftJob
{
    QString text;
    std::shared_ptr<const MeaningLookup> lookup;
    QHash<QString, OwnListWord> kept;
    quint64 version = 0;
    std::atomic<int> progress{0};
    std::atomic<bool> stop{false};
    OwnListDraft draft;
};

struct OwnListDlg::ImportJob
{
    QString path;
    std::atomic<int> progress{0};
    Result<QString> text = QString();
};

OwnListDlg::OwnListDlg(OwnLists* lists, const QString& unavailable, std::shared_ptr<const MeaningLookup> lookup,
                       const QStringList& vocabularyCourses, QWidget* parent)
    : QDialog(parent)
    , m_pLists(lists)
    , m_pLookup(std::move(lookup))
    , m_vocabularyCourses(vocabularyCourses)
    , m_pNameEdit(new QLineEdit(this))
    , m_pTextEdit(new QPlainTextEdit(this))
    , m_pTable(new QTableView(this))
    , m_pModel(new OwnListWordsModel(this))
    , m_pSummaryLabel(new QLabel(this))
    , m_pUnavailableLabel(new QLabel(this))
    , m_pProgressBar(new QProgressBar(this))
    , m_pImportButton(new QPushButton(QStringLiteral("导入…"), this))
    , m_pSaveButton(new QPushButton(QStringLiteral("保存"), this))
    , m_pReadTimer(new QTimer(this))
    , m_pProgressTimer(new QTimer(this))
{
    setWindowTitle(QStringLiteral("新建词表"));
    setObjectName(QStringLiteral("ownListDialog"));
    m_pNameEdit->setObjectName(QStringLiteral("listNameEdit"));
    m_pTextEdit->setObjectName(QStringLiteral("listTextEdit"));
    m_pTable->setObjectName(QStringLiteral("listWordTableView"));
    m_pSummaryLabel->setObjectName(QStringLiteral("listSummaryLabel"));
    m_pUnavailableLabel->setObjectName(QStringLiteral("listUnavailableLabel"));
    m_pProgressBar->setObjectName(QStringLiteral("listProgressBar"));
    m_pImportButton->setObjectName(QStringLiteral("importButton"));
    m_pSaveButton->setObjectName(QStringLiteral("saveButton"));

    m_pNameEdit->setPlaceholderText(QStringLiteral("例如：第三周单词"));
    m_pNameEdit->setMaxLength(60);
    m_pTextEdit->setPlaceholderText(QString::fromUtf16(kTextHint));
    m_pTextEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Tab types a tab: "word<Tab>meaning" is a line as a spreadsheet would give it.
    m_pTextEdit->setTabChangesFocus(false);
    m_pTable->setModel(m_pModel);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                              | QAbstractItemView::AnyKeyPressed);
    m_pTable->horizontalHeader()->setSectionResizeMode(OwnListWordsModel::WordColumn, QHeaderView::Interactive);
    m_pTable->horizontalHeader()->setSectionResizeMode(OwnListWordsModel::MeaningColumn, QHeaderView::Stretch);
    // Fixed to its longest text: measuring every row of a long list would stall each reading.
    m_pTable->horizontalHeader()->setSectionResizeMode(OwnListWordsModel::SourceColumn, QHeaderView::Fixed);
    m_pTable->setColumnWidth(OwnListWordsModel::SourceColumn,
                             m_pTable->fontMetrics().horizontalAdvance(OwnListWordsModel::SourceText(MeaningSource::Typed)) + 20);
    m_pTable->setColumnWidth(OwnListWordsModel::WordColumn, 150);
    m_pTable->verticalHeader()->setDefaultSectionSize(m_pTable->fontMetrics().height() + 6);
    m_pTable->setToolTip(QStringLiteral("双击“意思”可以修改；改过的意思算作“自己填”"));
    m_pSummaryLabel->setWordWrap(true);
    m_pUnavailableLabel->setWordWrap(true);
    m_pUnavailableLabel->setStyleSheet(QStringLiteral("color: #b00020"));
    m_pProgressBar->setVisible(false);
    m_pProgressBar->setMaximumHeight(m_pTable->fontMetrics().height());
    m_pReadTimer->setSingleShot(true);
    m_pReadTimer->setInterval(ReadDelay);
    m_pProgressTimer->setInterval(100);

    auto* name = new QFormLayout;
    name->addRow(QStringLiteral("词表名称"), m_pNameEdit);
    auto* textLabel = new QLabel(QStringLiteral("单词（输入或粘贴，一行一个）"), this);
    textLabel->setBuddy(m_pTextEdit);
    auto* tableLabel = new QLabel(QStringLiteral("意思"), this);
    tableLabel->setBuddy(m_pTable);
    auto* left = new QVBoxLayout;
    left->addWidget(textLabel);
    left->addWidget(m_pTextEdit, 1);
    auto* importRow = new QHBoxLayout;
    importRow->addWidget(m_pImportButton);
    importRow->addStretch(1);
    left->addLayout(importRow);
    auto* right = new QVBoxLayout;
    right->addWidget(tableLabel);
    right->addWidget(m_pTable, 1);
    right->addWidget(m_pSummaryLabel);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 2);
    columns->addLayout(right, 3);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_pSaveButton, QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setText(QStringLiteral("取消"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    // No button answers Enter: it ends a meaning's edit in the table, and must not save too.
    for (QPushButton* button : {m_pSaveButton, cancel, m_pImportButton})
        button->setAutoDefault(false);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(name);
    layout->addLayout(columns, 1);
    layout->addWidget(m_pProgressBar);
    layout->addWidget(m_pUnavailableLabel);
    layout->addWidget(buttons);
    resize(820, 540);

    if (!m_pLists) {
        const QString why = QStringLiteral("词表无法保存：%1").arg(unavailable);
        m_pUnavailableLabel->setText(why);
        m_pSaveButton->setEnabled(false);
        m_pSaveButton->setToolTip(why);
    }
    m_pUnavailableLabel->setVisible(!m_pLists);

    connect(m_pTextEdit, &QPlainTextEdit::textChanged, this, &OwnListDlg::TextChanged);
    connect(m_pReadTimer, &QTimer::timeout, this, &OwnListDlg::ReadText);
    connect(m_pProgressTimer, &QTimer::timeout, this, [this] {
        if (m_pDraftJob)
            m_pProgressBar->setValue(m_pDraftJob->progress);
        else if (m_pImportJob)
            m_pProgressBar->setValue(m_pImportJob->progress);
    });
    connect(m_pModel, &QAbstractItemModel::dataChanged, this, &OwnListDlg::ShowSummary);
    connect(m_pImportButton, &QPushButton::clicked, this, &OwnListDlg::OnImport);
    connect(m_pSaveButton, &QPushButton::clicked, this, &OwnListDlg::OnSave);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    ShowSummary();
}

OwnListDlg::~OwnListDlg()
{
    // A reading under way works on its own copy; it is told to stop and waited for, as the
    // thread may not outlive the dialog it reports to.
    if (m_pDraftJob)
        m_pDraftJob->stop = true;
    if (m_pThread)
        m_pThread->wait();
}

void OwnListDlg::Edit(const QString& name, const QList<OwnListWord>& words)
{
    setWindowTitle(QStringLiteral("编辑词表"));
    m_originalName = name;
    m_kept = WordsByHeadword(words);
    m_pNameEdit->setText(name);
    m_pTextEdit->setPlainText(OwnListText(words));
    // Shown at once, not a moment later: the list is there when the dialog opens.
    m_pReadTimer->stop();
    ReadText();
}

void OwnListDlg::TextChanged()
{
    ++m_textVersion;
    if (m_pDraftJob)
        m_pDraftJob->stop = true; // its text is already out of date
    m_pReadTimer->start();
}

void OwnListDlg::ReadText()
{
    if (m_pThread)
        return; // read again when the one under way ends
    auto job = std::make_shared<DraftJob>();
    job->text = m_pTextEdit->toPlainText();
    job->lookup = m_pLookup;
    job->kept = m_kept;
    job->version = m_textVersion;
    if (lineCount(job->text) <= InlineLines) {
        ShowDraft(DraftOwnList(job->text, job->lookup.get(), job->kept));
        m_shownVersion = job->version;
        return;
    }
    m_pDraftJob = job;
    StartThread(job);
}

void OwnListDlg::StartThread(const std::shared_ptr<DraftJob>& job)
{
    m_pThread = QThread::create([job] {
        job->draft = DraftOwnList(job->text, job->lookup.get(), job->kept, [&job](int percent) {
            job->progress = percent;
            return !job->stop;
        });
    });
    connect(m_pThread, &QThread::finished, this, [this, job] { DraftFinished(job); });
    ShowBusy(true);
    m_pThread->start();
}

void OwnListDlg::DraftFinished(const std::shared_ptr<DraftJob>& job)
{
    m_pThread->deleteLater();
    m_pThread = nullptr;
    m_pDraftJob.reset();
    ShowBusy(false);
    if (!job->draft.stopped && job->version == m_textVersion) {
        ShowDraft(std::move(job->draft));
        m_shownVersion = job->version;
    } else if (!m_pReadTimer->isActive()) {
        ReadText();
    }
}

void OwnListDlg::ShowDraft(OwnListDraft&& draft)
{
    m_ignoredLines = std::move(draft.ignoredLines);
    m_tooLongLines = std::move(draft.tooLongLines);
    m_duplicatesMerged = draft.duplicatesMerged;
    m_pModel->setWords(std::move(draft.words), std::move(draft.lineNumbers));
    ShowSummary();
}

void OwnListDlg::ShowSummary()
{
    const int words = m_pModel->rowCount();
    if (words == 0 && m_ignoredLines.isEmpty() && m_tooLongLines.isEmpty()) {
        m_pSummaryLabel->setText(QStringLiteral("还没有单词"));
        return;
    }
    QStringList parts{QStringLiteral("共 %1 个单词").arg(words)};
    if (const int missing = m_pModel->missingMeanings(); missing > 0)
        parts << QStringLiteral("%1 个没找到意思（双击可填写）").arg(missing);
    if (m_duplicatesMerged > 0)
        parts << QStringLiteral("合并了 %1 个重复的单词").arg(m_duplicatesMerged);
    if (!m_ignoredLines.isEmpty())
        parts << QStringLiteral("%1没有单词，已忽略").arg(lineList(m_ignoredLines));
    if (!m_tooLongLines.isEmpty())
        parts << QStringLiteral("%1超过 200 个字符，没有收入").arg(lineList(m_tooLongLines));
    m_pSummaryLabel->setText(parts.join(QStringLiteral("；")));
}

void OwnListDlg::ShowBusy(bool busy)
{
    m_pProgressBar->setValue(0);
    m_pProgressBar->setVisible(busy);
    if (busy)
        m_pProgressTimer->start();
    else
        m_pProgressTimer->stop();
    m_pImportButton->setEnabled(!busy);
}

void OwnListDlg::OnImport()
{
    const QString path = Prompt::chooseFile(this, QStringLiteral("导入单词"),
                                            QStringLiteral("单词表 (*.txt *.csv *.tsv *.xlsx *.xls);;所有文件 (*)"));
    if (path.isEmpty() || m_pThread)
        return;
    auto job = std::make_shared<ImportJob>();
    job->path = path;
    m_pImportJob = job;
    m_pThread = QThread::create([job] {
        job->text = ReadListFile(job->path, [&job](int percent) { job->progress = percent; });
    });
    connect(m_pThread, &QThread::finished, this, [this, job] { ImportFinished(job); });
    ShowBusy(true);
    m_pTextEdit->setReadOnly(true);
    m_pSaveButton->setEnabled(false);
    m_pThread->start();
}

void OwnListDlg::ImportFinished(const std::shared_ptr<ImportJob>& job)
{
    m_pThread->deleteLater();
    m_pThread = nullptr;
    m_pImportJob.reset();
    ShowBusy(false);
    m_pTextEdit->setReadOnly(false);
    m_pSaveButton->setEnabled(m_pLists != nullptr);
    if (!job->text) {
        Prompt::warning(this, job->text.error().ErrorMessage());
        return;
    }
    if (m_pNameEdit->text().trimmed().isEmpty())
        m_pNameEdit->setText(QFileInfo(job->path).completeBaseName().left(60));
    m_pTextEdit->setPlainText(*job->text);
}

void OwnListDlg::CatchUp()
{
    if (m_shownVersion == m_textVersion && !m_pThread)
        return;
    m_pReadTimer->stop();
    if (m_pDraftJob)
        m_pDraftJob->stop = true;
    if (m_pThread) {
        m_pThread->wait();
        m_pThread->deleteLater();
        m_pThread = nullptr;
        m_pDraftJob.reset();
        ShowBusy(false);
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ShowDraft(DraftOwnList(m_pTextEdit->toPlainText(), m_pLookup.get(), m_kept));
    QGuiApplication::restoreOverrideCursor();
    m_shownVersion = m_textVersion;
}

void OwnListDlg::OnSave()
{
    if (!m_pLists)
        return;
    const QString name = m_pNameEdit->text().trimmed();
    if (const QString problem = OwnListNameProblem(name, m_vocabularyCourses); !problem.isEmpty()) {
        Prompt::warning(this, problem);
        m_pNameEdit->setFocus();
        return;
    }
    CatchUp();
    const QList<OwnListWord> words = m_pModel->words();
    if (words.isEmpty()) {
        Prompt::warning(this, QStringLiteral("词表里还没有单词。"));
        m_pTextEdit->setFocus();
        return;
    }
    const Result<QStringList> names = m_pLists->Names();
    if (!names) {
        Prompt::warning(this, names.error().ErrorMessage());
        return;
    }
    bool replace = name == m_originalName;
    if (!replace && names->contains(name)) {
        if (!Prompt::question(this, QStringLiteral("已有名为“%1”的词表。要用这些单词替换它吗？").arg(name)))
            return;
        replace = true;
    }
    if (const Result<void> saved = m_pLists->Save(name, words, replace); !saved) {
        Prompt::warning(this, saved.error().ErrorMessage());
        return;
    }
    // Saved under a new name: the old list goes, as a rename would take it.
    if (!m_originalName.isEmpty() && name != m_originalName) {
        if (const Result<void> removed = m_pLists->Remove(m_originalName); !removed)
            Prompt::warning(this, removed.error().ErrorMessage());
    }
    m_savedName = name;
    accept();
}
