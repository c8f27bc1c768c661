#include "vocab/wordlistmodel.h"

namespace {

enum Column { EnglishColumn = 0, ChineseColumn = 1, ColumnCount = 2 };

} // namespace

WordListModel::WordListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

WordListModel::~WordListModel() = default;

int WordListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

int WordListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant WordListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row& row = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return index.column() == EnglishColumn ? row.entry.en : row.entry.ch;
    case Qt::CheckStateRole:
        if (index.column() == EnglishColumn)
            return row.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    default:
        return {};
    }
}

QVariant WordListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case EnglishColumn:
        return QStringLiteral("单词");
    case ChineseColumn:
        return QStringLiteral("解释");
    default:
        return {};
    }
}

Qt::ItemFlags WordListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == EnglishColumn)
        result |= Qt::ItemIsUserCheckable;
    return result;
}

bool WordListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != EnglishColumn
        || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return false;
    }
    setChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

void WordListModel::clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    endResetModel();
}

void WordListModel::append(std::vector<WordEntry>&& entries)
{
    if (entries.empty())
        return;
    const int first = count();
    beginInsertRows({}, first, first + int(entries.size()) - 1);
    m_rows.reserve(m_rows.size() + entries.size());
    for (WordEntry& entry : entries)
        m_rows.push_back(Row{std::move(entry), false});
    endInsertRows();
}

std::vector<int> WordListModel::checkedRows() const
{
    std::vector<int> result;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].checked)
            result.push_back(int(i));
    }
    return result;
}

void WordListModel::setChecked(int row, bool checked)
{
    Row& target = m_rows[size_t(row)];
    if (target.checked == checked)
        return;
    target.checked = checked;
    const QModelIndex cell = index(row, EnglishColumn);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void WordListModel::checkAll()
{
    for (Row& row : m_rows)
        row.checked = true;
    checksChanged();
}

void WordListModel::checkNone()
{
    for (Row& row : m_rows)
        row.checked = false;
    checksChanged();
}

void WordListModel::invertChecks()
{
    for (Row& row : m_rows)
        row.checked = !row.checked;
    checksChanged();
}

void WordListModel::checksChanged()
{
    // One signal for the whole column: per-row signals would make 100,000-row lists crawl.
    if (!m_rows.empty())
        emit dataChanged(index(0, EnglishColumn), index(count() - 1, EnglishColumn), {Qt::CheckStateRole});
}

std::vector<WordEntry> WordListModel::checkedEntries() const
{
    std::vector<WordEntry> entries;
    for (const Row& row : m_rows) {
        if (row.checked)
            entries.push_back(row.entry);
    }
    return entries;
}
