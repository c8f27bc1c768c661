#pragma once

class QTableView;
class WordListModel;

/// Shows `model` in `view` as the word list: the two columns at 120 and 110 pixels, grid lines,
/// one whole row selected at a time, and rows of one fixed height so 100,000 rows stay quick.
void ConfigureWordListView(QTableView* view, WordListModel* model);
