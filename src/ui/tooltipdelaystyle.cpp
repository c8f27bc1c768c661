#include "ui/tooltipdelaystyle.h"

#include <QApplication>
#include <QStyleFactory>
#include <QWidget>

ToolTipDelayStyle::ToolTipDelayStyle(int wakeUpDelay, QObject* parent)
    // A fresh instance of the application's style: a proxy owns its base, and the
    // application's own instance is not ours to own.
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name()))
    , m_wakeUpDelay(wakeUpDelay)
{
    setParent(parent);
}

int ToolTipDelayStyle::styleHint(StyleHint hint, const QStyleOption* option,
                                 const QWidget* widget, QStyleHintReturn* returnData) const
{
    if (hint == SH_ToolTip_WakeUpDelay)
        return m_wakeUpDelay;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void ToolTipDelayStyle::apply(QWidget* widget)
{
    widget->setStyle(this);
    const QList<QWidget*> children = widget->findChildren<QWidget*>();
    for (QWidget* child : children)
        child->setStyle(this);
}
