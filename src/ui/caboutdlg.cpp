#include "ui/caboutdlg.h"

#include <QPushButton>

#include "resources/dialogtemplate.h"
#include "resources/resourceids.h"
#include "ui/templatebuilder.h"

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent)
{
    TemplateBuilder builder(this);
    builder.build(*findDialogTemplate(IDD_ABOUTBOX));
    connect(builder.control<QPushButton>(IDOK), &QPushButton::clicked, this, &QDialog::accept);
}
