#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>

#include "vocab/ownlists.h"

/// The list dialog's table: each word of the draft with its meaning and where the meaning came
/// from (词库 / 自己填 / 没找到), the word's line as the row's header. Meanings are edited in
/// place; an edited meaning is the user's own (自己填) and outlives the next reading of the
/// text for as long as the word is in it. Clearing it gives the word back its found meaning.
class OwnListWordsModel : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OwnListWordsModel)

public:
    enum Column { WordColumn = 0, MeaningColumn = 1, SourceColumn = 2, ColumnCount = 3 };

    explicit OwnListWordsModel(QObject* parent = nullptr);
    ~OwnListWordsModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    /// Shows `words` (from line `lineNumbers`), meanings the user edited put back in.
    void setWords(QList<OwnListWord> words, QList<int> lineNumbers);
    /// The words as they will be saved, top to bottom.
    QList<OwnListWord> words() const;
    /// How many words have no meaning.
    int missingMeanings() const;

    /// How a source reads in the table.
    static QString SourceText(MeaningSource source);

private:
    QList<OwnListWord> m_found;  // as the text and the look-up gave them
    QList<int> m_lines;
    QHash<QString, QString> m_edited;  // meanings the user typed into the table, by headword
};
