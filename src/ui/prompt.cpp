#include "ui/prompt.h"

#include <utility>

#include <QCoreApplication>

namespace {

bool s_testing = false;
QList<Prompt::Message> s_shown;

} // namespace

void Prompt::message(QWidget* parent, const QString& caption, const QString& text,
                     QMessageBox::Icon icon)
{
    if (s_testing) {
        s_shown.append({caption, text, icon});
        return;
    }
    // Texts written with CR LF line ends would show the CR as a stray glyph.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(icon, caption, shown, QMessageBox::Ok, parent);
    box.exec();
}

void Prompt::warning(QWidget* parent, const QString& text)
{
    message(parent, QCoreApplication::applicationName(), text, QMessageBox::Warning);
}

void Prompt::setTesting(bool on)
{
    s_testing = on;
    if (!on)
        s_shown.clear();
}

QList<Prompt::Message> Prompt::takeShown()
{
    return std::exchange(s_shown, {});
}
