#include "ui/prompt.h"

#include <utility>

#include <QCoreApplication>
#include <QFileDialog>

namespace {

bool s_testing = false;
QList<Prompt::Message> s_shown;
QString s_nextFile;

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

QString Prompt::chooseFile(QWidget* parent, const QString& caption, const QString& filter)
{
    if (s_testing)
        return std::exchange(s_nextFile, {});
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

void Prompt::setNextFile(const QString& path)
{
    s_nextFile = path;
}

void Prompt::setTesting(bool on)
{
    s_testing = on;
    if (!on) {
        s_shown.clear();
        s_nextFile.clear();
    }
}

QList<Prompt::Message> Prompt::takeShown()
{
    return std::exchange(s_shown, {});
}
