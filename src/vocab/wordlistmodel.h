#pragma once

#include <vector>

#include <QAbstractTableModel>

#include "vocab/wordentry.h"

/// The word list: rows of headword and explanation in fill order, each with a check box that
/// starts unchecked. Column 0 shows `en` (with the check box), column 1 `ch`.
class WordListModel : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WordListModel)

public:
    explicit WordListModel(QObject* parent = nullptr);
    ~WordListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    void clear();
    /// Appends rows, unchecked, after the last one.
    void append(std::vector<WordEntry>&& entries);

    /// Reading rules for preview and generation.
    int count() const { return int(m_rows.size()); }
    const QString& en(int row) const { return m_rows[size_t(row)].entry.en; }
    const QString& ch(int row) const { return m_rows[size_t(row)].entry.ch; }
    bool isChecked(int row) const { return m_rows[size_t(row)].checked; }
    std::vector<int> checkedRows() const;
    /// The checked rows' words, top to bottom.
    std::vector<WordEntry> checkedEntries() const;

    void setChecked(int row, bool checked);
    void checkAll();
    void checkNone();
    void invertChecks();

private:
    struct Row
    {
        WordEntry entry;
        bool checked = false;
    };

    void checksChanged();

    std::vector<Row> m_rows;
};
