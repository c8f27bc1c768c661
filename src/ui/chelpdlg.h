#pragma once

#include <QDialog>

/// The help box: two paragraphs on voices and output files, and an OK button.
class CHelpDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CHelpDlg(QWidget* parent = nullptr);
};
