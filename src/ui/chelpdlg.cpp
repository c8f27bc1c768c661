#include "ui/chelpdlg.h"

#include <QPushButton>

#include "resources/dialogtemplate.h"
#include "resources/resourceids.h"
#include "ui/templatebuilder.h"

CHelpDlg::CHelpDlg(QWidget* parent)
    : QDialog(parent)
{
    TemplateBuilder builder(this);
    builder.build(*findDialogTemplate(IDD_HELP_DIALOG));
    connect(builder.control<QPushButton>(IDOK), &QPushButton::clicked, this, &QDialog::accept);
}
