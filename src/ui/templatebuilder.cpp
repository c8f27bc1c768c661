#include "ui/templatebuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTreeView>

#include "resources/appicon.h"
#include "resources/dialogtemplate.h"
#include "ui/clicklabel.h"

namespace {

// a * b / c rounded half away from zero; every value here is positive.
int mulDiv(int a, int b, int c)
{
    return (2 * a * b + c) / (2 * c);
}

// A narrow multi-line button wraps after every character; Qt buttons do not wrap, so the
// breaks are put in by hand.
QString oneCharacterPerLine(const QString& text)
{
    QStringList lines;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        lines.append(text.mid(i, length));
        i += length - 1;
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

TemplateBuilder::TemplateBuilder(QDialog* dialog)
    : m_dialog(dialog)
{
    m_dialog->setFont(dialogFont());
    const QFontMetrics metrics(m_dialog->font());
    m_averageCharWidth = averageCharWidth(metrics);
    m_lineHeight = metrics.height();
}

QFont TemplateBuilder::dialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    font.setStyleHint(QFont::Serif);
    font.setPointSize(9);
    return font;
}

int TemplateBuilder::averageCharWidth(const QFontMetrics& metrics)
{
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return (letters / 26 + 1) / 2;
}

QRect TemplateBuilder::toPixels(const QRect& dialogUnits) const
{
    return {mulDiv(dialogUnits.x(), m_averageCharWidth, 4),
            mulDiv(dialogUnits.y(), m_lineHeight, 8),
            mulDiv(dialogUnits.width(), m_averageCharWidth, 4),
            mulDiv(dialogUnits.height(), m_lineHeight, 8)};
}

QWidget* TemplateBuilder::control(int id) const
{
    return m_controls.value(id);
}

void TemplateBuilder::build(const DialogTemplate& dialogTemplate)
{
    m_dialog->setObjectName(QString::fromLatin1(dialogTemplate.objectName));
    m_dialog->setWindowTitle(QString::fromUtf16(dialogTemplate.title));

    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint
                            | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (dialogTemplate.styles & TemplateStyle::MinimizeBox)
        flags |= Qt::WindowMinimizeButtonHint;
    // The main window stands in the task bar like any application window; the small boxes
    // are plain dialogs.
    flags |= (dialogTemplate.styles & TemplateStyle::MinimizeBox) ? Qt::Window : Qt::Dialog;
    m_dialog->setWindowFlags(flags);

    QList<QWidget*> groupBoxes;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = createControl(control);
        widget->setObjectName(QString::fromLatin1(control.objectName));
        if (control.id != -1)
            m_controls.insert(control.id, widget);
        if (control.kind == ControlKind::GroupBox)
            groupBoxes.append(widget);
    }
    // A group box drawn over its contents would hide them from the mouse.
    for (QWidget* groupBox : std::as_const(groupBoxes))
        groupBox->lower();

    m_dialog->setFixedSize(
        toPixels(QRect(0, 0, dialogTemplate.width, dialogTemplate.height)).size());
}

namespace {

QTreeView* newTreeView(unsigned styles, QWidget* parent)
{
    using namespace TemplateStyle;
    auto* tree = new QTreeView(parent);
    tree->setHeaderHidden(true);
    tree->setRootIsDecorated(styles & LinesAtRoot);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    if (styles & TrackSelect) {
        tree->setMouseTracking(true);
        tree->viewport()->setAttribute(Qt::WA_Hover);
    }
    return tree;
}

QTableView* newTableView(unsigned styles, QWidget* parent)
{
    using namespace TemplateStyle;
    auto* table = new QTableView(parent);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table->horizontalHeader()->setHighlightSections(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setSelectionMode((styles & SingleSelection) ? QAbstractItemView::SingleSelection
                                                       : QAbstractItemView::ExtendedSelection);
    return table;
}

} // namespace

QWidget* TemplateBuilder::createControl(const ControlTemplate& control)
{
    using namespace TemplateStyle;
    const QString text = QString::fromUtf16(control.text);
    QRect geometry = toPixels(QRect(control.x, control.y, control.width, control.height));
    QWidget* widget = nullptr;

    switch (control.kind) {
    case ControlKind::PushButton: {
        auto* button = new QPushButton(m_dialog);
        if (control.styles & MultiLine) {
            button->setText(oneCharacterPerLine(text));
            button->setAccessibleName(text);
        } else {
            button->setText(text);
        }
        button->setDefault(control.styles & DefaultButton);
        widget = button;
        break;
    }
    case ControlKind::CheckBox:
        widget = new QCheckBox(text, m_dialog);
        break;
    case ControlKind::GroupBox:
        widget = new QGroupBox(text, m_dialog);
        break;
    case ControlKind::Label: {
        QLabel* label = (control.styles & Notify) ? new ClickLabel(text, m_dialog)
                                                   : new QLabel(text, m_dialog);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(!(control.styles & NoWordWrap));
        widget = label;
        break;
    }
    case ControlKind::Icon: {
        // An icon control takes the icon's own size and ignores the template's.
        auto* label = new QLabel(m_dialog);
        const QPixmap pixmap = applicationIcon().pixmap(32, 32);
        label->setPixmap(pixmap);
        geometry.setSize(pixmap.deviceIndependentSize().toSize());
        widget = label;
        break;
    }
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(m_dialog);
        edit->setReadOnly(control.styles & ReadOnly);
        edit->setFrame(control.styles & Border);
        widget = edit;
        break;
    }
    case ControlKind::ComboBox: {
        auto* combo = new QComboBox(m_dialog);
        combo->setEditable(!(control.styles & DropDownList));
        // The template's height covers the field and its open list together.
        const int fieldHeight = combo->sizeHint().height();
        combo->setMaxVisibleItems(qMax(1, (geometry.height() - fieldHeight) / m_lineHeight));
        geometry.setHeight(fieldHeight);
        widget = combo;
        break;
    }
    case ControlKind::TreeView:
        widget = newTreeView(control.styles, m_dialog);
        break;
    case ControlKind::ListView:
        widget = newTableView(control.styles, m_dialog);
        break;
    case ControlKind::ProgressBar: {
        auto* progress = new QProgressBar(m_dialog);
        progress->setRange(0, 100);
        progress->setValue(0);
        progress->setTextVisible(false);
        widget = progress;
        break;
    }
    }

    widget->setGeometry(geometry);
    return widget;
}
