#pragma once

#include <QHash>
#include <QRect>

class QDialog;
class QFont;
class QFontMetrics;
class QWidget;
struct ControlTemplate;
struct DialogTemplate;

/// Builds a dialog's child widgets from a dialog template. Positions and sizes in the template
/// are dialog units, which scale with the dialog font: four horizontal units are one average
/// character width, eight vertical units one line height. The layout therefore keeps its
/// proportions whatever font stands in for the template's.
class TemplateBuilder
{
public:
    /// Gives the dialog its font and measures the dialog units with it.
    explicit TemplateBuilder(QDialog* dialog);

    /// Title, window flags, fixed client size and every control of the template, created in
    /// template order, which is also the tab order. Group boxes end up beneath other controls.
    void build(const DialogTemplate& dialogTemplate);

    /// The widget built for a control id (ids of -1 are not kept).
    QWidget* control(int id) const;
    template <class T>
    T* control(int id) const
    {
        return qobject_cast<T*>(control(id));
    }

    /// A rectangle in dialog units converted to pixels, each value rounded on its own.
    QRect toPixels(const QRect& dialogUnits) const;
    int averageCharWidth() const { return m_averageCharWidth; }
    int lineHeight() const { return m_lineHeight; }

    /// The font templates are laid out with: a CJK serif face at 9 points, the nearest thing
    /// here to the 9-point Song face the layout was made for.
    static QFont dialogFont();
    /// Average width of the 52 Latin letters, rounded as the dialog units were defined.
    static int averageCharWidth(const QFontMetrics& metrics);

private:
    QWidget* createControl(const ControlTemplate& control);

    QDialog* m_dialog;
    int m_averageCharWidth = 0;
    int m_lineHeight = 0;
    QHash<int, QWidget*> m_controls;
};
