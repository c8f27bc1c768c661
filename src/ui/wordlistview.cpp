#include "ui/wordlistview.h"

#include <QHeaderView>
#include <QTableView>

#include "vocab/wordlistmodel.h"

void ConfigureWordListView(QTableView* view, WordListModel* model)
{
    view->setModel(model);
    view->setShowGrid(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSortingEnabled(false);
    // setModel() resets the header, so the widths come after it.
    view->setColumnWidth(0, 120);
    view->setColumnWidth(1, 110);
    // Rows of one height let the view skip measuring each of them.
    QHeaderView* rows = view->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(view->fontMetrics().height() + 4);
}
