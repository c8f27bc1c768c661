#include "ui/folderbrowser.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Carries the initial selection to the dialog as it opens.
QString s_browseStartFolder;
std::optional<QString> s_nextResult;
int s_browseCount = 0;

/// The places a user saves to: the home folder and mounted removable or extra drives.
QList<QPair<QString, QString>> places()
{
    QList<QPair<QString, QString>> result;
    const QString home = QDir::homePath();
    result.append({QStringLiteral("主文件夹"), home});
    result.append({QStringLiteral("计算机"), QStringLiteral("/")});
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (root.startsWith(QStringLiteral("/media/")) || root.startsWith(QStringLiteral("/run/media/"))
            || root.startsWith(QStringLiteral("/mnt/"))) {
            const QString label = volume.displayName();
            const QString name = label.isEmpty() || label == root ? QDir(root).dirName() : label;
            result.append({name, root});
        }
    }
    return result;
}

class FolderBrowserDialog : public QDialog
{
public:
    explicit FolderBrowserDialog(QWidget* owner)
        : QDialog(owner)
    {
        setWindowTitle(QStringLiteral("浏览文件夹"));
        // A window of its own does not inherit the owner's font: speak in the same face.
        if (owner)
            setFont(owner->font());
        setObjectName(QStringLiteral("folderBrowserDialog"));
        auto* instruction = new QLabel(QStringLiteral("请选择一个存储目录"), this);
        m_status = new QLabel(this);
        m_status->setObjectName(QStringLiteral("statusLabel"));
        m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

        m_model = new QFileSystemModel(this);
        m_model->setFilter(QDir::Dirs | QDir::Drives | QDir::NoDotAndDotDot);
        m_model->setRootPath(QStringLiteral("/"));
        m_tree = new QTreeView(this);
        m_tree->setObjectName(QStringLiteral("folderTreeView"));
        m_tree->setModel(m_model);
        m_tree->setHeaderHidden(true);
        for (int column = 1; column < m_model->columnCount(); ++column)
            m_tree->hideColumn(column);
        m_tree->setRootIndex(m_model->index(QStringLiteral("/")).parent());

        m_places = new QListWidget(this);
        m_places->setObjectName(QStringLiteral("placesList"));
        m_places->setMaximumWidth(160);
        for (const auto& [name, path] : places()) {
            auto* item = new QListWidgetItem(name, m_places);
            item->setData(Qt::UserRole, path);
            item->setToolTip(path);
        }
        connect(m_places, &QListWidget::itemClicked, this,
                [this](QListWidgetItem* item) { select(item->data(Qt::UserRole).toString()); });

        m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        m_buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
        m_buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
        m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
        connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& current) { onCurrentChanged(current); });

        auto* browse = new QHBoxLayout;
        browse->addWidget(m_places);
        browse->addWidget(m_tree, 1);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(instruction);
        layout->addWidget(m_status);
        layout->addLayout(browse, 1);
        layout->addWidget(m_buttons);
        resize(560, 440);

        // A start text that names no folder ("我的电脑") leaves the browser at the top.
        if (QFileInfo(s_browseStartFolder).isDir())
            select(s_browseStartFolder);
        else
            m_tree->expand(m_model->index(QStringLiteral("/")));
    }

    QString chosen() const { return m_chosen; }

private:
    void select(const QString& path)
    {
        const QModelIndex index = m_model->index(QDir::cleanPath(path));
        if (!index.isValid())
            return;
        m_tree->setCurrentIndex(index);
        m_tree->expand(index);
        m_tree->scrollTo(index);
    }

    void onCurrentChanged(const QModelIndex& current)
    {
        const QString path = m_model->filePath(current);
        // Only real folders can be chosen; the status line keeps the last one otherwise.
        const bool folder = current.isValid() && QFileInfo(path).isDir();
        if (folder) {
            m_chosen = QDir::toNativeSeparators(path);
            m_status->setText(m_chosen);
        }
        m_buttons->button(QDialogButtonBox::Ok)->setEnabled(folder);
    }

    QFileSystemModel* m_model;
    QTreeView* m_tree;
    QListWidget* m_places;
    QLabel* m_status;
    QDialogButtonBox* m_buttons;
    QString m_chosen;
};

} // namespace

FolderBrowser::~FolderBrowser() = default;

QString FolderBrowser::Browse(QWidget* owner, const QString& initialSelection)
{
    ++s_browseCount;
    s_browseStartFolder = initialSelection;
    if (s_nextResult)
        return *std::exchange(s_nextResult, std::nullopt);
    FolderBrowserDialog dialog(owner);
    return dialog.exec() == QDialog::Accepted ? dialog.chosen() : QString();
}

void FolderBrowser::setNextResult(const QString& path)
{
    s_nextResult = path;
}

int FolderBrowser::browseCount()
{
    return s_browseCount;
}
