#include "ui/ownlistcommands.h"

#include <QDir>
#include <QGuiApplication>

#include "ui/ownlistdlg.h"
#include "ui/prompt.h"
#include "vocab/meaninglookup.h"
#include "vocab/vocabularycourses.h"
#include "vocab/wordlistcsv.h"
#include "vocab/wordstore.h"

OwnListCommands::OwnListCommands(QWidget* window)
    : m_pWindow(window)
{
}

OwnListCommands::~OwnListCommands() = default;

Result<void> OwnListCommands::Open(const QString& path)
{
    auto lists = std::make_unique<OwnLists>();
    if (Result<void> opened = lists->Open(path); !opened) {
        m_pLists.reset();
        m_unavailable = opened.error().ErrorMessage();
        return opened;
    }
    m_pLists = std::move(lists);
    m_unavailable.clear();
    return {};
}

OwnLists* OwnListCommands::Lists() const
{
    return m_pLists.get();
}

void OwnListCommands::SetVocabulary(WordStore* store)
{
    m_pStore = store;
    m_pLookup.reset();
}

std::shared_ptr<const MeaningLookup> OwnListCommands::Lookup()
{
    if (!m_pLookup) {
        // Reads the vocabulary's words once; a large one takes a moment.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_pLookup = std::make_shared<const MeaningLookup>(m_pStore && m_pStore->IsOpen() ? m_pStore : nullptr);
        QGuiApplication::restoreOverrideCursor();
    }
    return m_pLookup;
}

QStringList OwnListCommands::VocabularyCourses() const
{
    if (!m_pStore || !m_pStore->IsOpen())
        return {};
    // Unreadable courses refuse no name here; the tree has already said they could not be read.
    return ::VocabularyCourses(*m_pStore).value_or(QStringList());
}

QString OwnListCommands::RunDialog(const QString& editedName, const QList<OwnListWord>& words)
{
    OwnListDlg dialog(m_pLists.get(), m_unavailable, Lookup(), VocabularyCourses(), m_pWindow);
    if (!editedName.isEmpty())
        dialog.Edit(editedName, words);
    return dialog.exec() == QDialog::Accepted ? dialog.savedName() : QString();
}

QString OwnListCommands::Create()
{
    return RunDialog({}, {});
}

QString OwnListCommands::Edit(const QString& name)
{
    if (!m_pLists)
        return {};
    const Result<QList<OwnListWord>> words = m_pLists->Words(name);
    if (!words) {
        Prompt::warning(m_pWindow, words.error().ErrorMessage());
        return {};
    }
    return RunDialog(name, *words);
}

QString OwnListCommands::Rename(const QString& name)
{
    if (!m_pLists)
        return {};
    const std::optional<QString> typed = Prompt::askText(m_pWindow, QStringLiteral("重命名词表"),
                                                         QStringLiteral("新的名称："), name);
    if (!typed)
        return {};
    const QString to = typed->trimmed();
    if (to == name)
        return {};
    if (const QString problem = OwnListNameProblem(to, VocabularyCourses()); !problem.isEmpty()) {
        Prompt::warning(m_pWindow, problem);
        return {};
    }
    if (const Result<QStringList> names = m_pLists->Names(); names && names->contains(to)) {
        Prompt::warning(m_pWindow, QStringLiteral("已有名为“%1”的词表，请换一个名称。").arg(to));
        return {};
    }
    if (const Result<void> renamed = m_pLists->Rename(name, to); !renamed) {
        Prompt::warning(m_pWindow, renamed.error().ErrorMessage());
        return {};
    }
    return to;
}

bool OwnListCommands::Remove(const QString& name)
{
    if (!m_pLists
        || !Prompt::question(m_pWindow, QStringLiteral("删除词表“%1”吗？删除后不能恢复。").arg(name)))
        return false;
    if (const Result<void> removed = m_pLists->Remove(name); !removed) {
        Prompt::warning(m_pWindow, removed.error().ErrorMessage());
        return false;
    }
    return true;
}

void OwnListCommands::Export(const QString& name)
{
    if (!m_pLists)
        return;
    const Result<QList<OwnListWord>> words = m_pLists->Words(name);
    if (!words) {
        Prompt::warning(m_pWindow, words.error().ErrorMessage());
        return;
    }
    // A list's name holds no '/' (CheckListName), so it serves as the file's name.
    const QString suggested = QDir::home().filePath(name + QStringLiteral(".csv"));
    const QString path = Prompt::chooseSaveFile(m_pWindow, QStringLiteral("导出词表"),
                                                QStringLiteral("CSV 文件 (*.csv)"), suggested, QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    if (const Result<void> written = WriteWordListCsv(path, name, *words); !written)
        Prompt::warning(m_pWindow, written.error().ErrorMessage());
}
