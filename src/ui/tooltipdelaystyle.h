#pragma once

#include <QProxyStyle>

/// The application's style with another rest time before a tooltip shows. Qt asks the style
/// of the widget under the pointer, so it has to be set on each widget that carries a tip and
/// on that widget's children.
class ToolTipDelayStyle : public QProxyStyle
{
    Q_OBJECT

public:
    explicit ToolTipDelayStyle(int wakeUpDelay, QObject* parent = nullptr);

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;

    /// Puts this style on the widget and all widgets inside it.
    void apply(QWidget* widget);

private:
    int m_wakeUpDelay;
};
