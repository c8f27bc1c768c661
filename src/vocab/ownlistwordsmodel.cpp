#include "vocab/ownlistwordsmodel.h"

OwnListWordsModel::OwnListWordsModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

OwnListWordsModel::~OwnListWordsModel() = default;

int OwnListWordsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_found.size());
}

int OwnListWordsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OwnListWordsModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)
        return {};
    const OwnListWord& found = m_found[index.row()];
    const auto edited = m_edited.constFind(found.en);
    switch (index.column()) {
    case WordColumn:
        return found.en;
    case MeaningColumn:
        return edited != m_edited.cend() ? *edited : found.ch;
    case SourceColumn:
        return SourceText(edited != m_edited.cend() ? MeaningSource::Typed : found.source);
    default:
        return {};
    }
}

QVariant OwnListWordsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section >= 0 && section < m_lines.size() ? QVariant(m_lines[section]) : QVariant();
    switch (section) {
    case WordColumn:
        return QStringLiteral("单词");
    case MeaningColumn:
        return QStringLiteral("意思");
    case SourceColumn:
        return QStringLiteral("来源");
    default:
        return {};
    }
}

Qt::ItemFlags OwnListWordsModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == MeaningColumn)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool OwnListWordsModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || index.column() != MeaningColumn
        || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    const QString& en = m_found[index.row()].en;
    const QString meaning = value.toString().trimmed();
    // Emptied, or typed back as it was found: the found meaning with its own source again.
    if (meaning.isEmpty() || meaning == m_found[index.row()].ch)
        m_edited.remove(en);
    else
        m_edited.insert(en, meaning);
    emit dataChanged(this->index(index.row(), MeaningColumn), this->index(index.row(), SourceColumn));
    return true;
}

void OwnListWordsModel::setWords(QList<OwnListWord> words, QList<int> lineNumbers)
{
    beginResetModel();
    m_found = std::move(words);
    m_lines = std::move(lineNumbers);
    endResetModel();
}

QList<OwnListWord> OwnListWordsModel::words() const
{
    QList<OwnListWord> words = m_found;
    for (OwnListWord& word : words) {
        if (const auto edited = m_edited.constFind(word.en); edited != m_edited.cend())
            word = {word.en, *edited, MeaningSource::Typed};
    }
    return words;
}

int OwnListWordsModel::missingMeanings() const
{
    int missing = 0;
    for (const OwnListWord& word : m_found)
        missing += word.ch.isEmpty() && !m_edited.contains(word.en) ? 1 : 0;
    return missing;
}

QString OwnListWordsModel::SourceText(MeaningSource source)
{
    switch (source) {
    case MeaningSource::Vocabulary:
        return QStringLiteral("词库");
    case MeaningSource::Typed:
        return QStringLiteral("自己填");
    case MeaningSource::NotFound:
        return QStringLiteral("没找到");
    }
    return {};
}
