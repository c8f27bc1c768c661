#include "ui/prompt.h"

#include <utility>

#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>

namespace {

bool s_testing = false;
QList<Prompt::Message> s_shown;
QString s_nextFile;
QString s_nextSaveFile;
bool s_nextAnswer = false;
std::optional<QString> s_nextText;

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

QString Prompt::chooseSaveFile(QWidget* parent, const QString& caption, const QString& filter,
                               const QString& suggested, const QString& suffix)
{
    if (s_testing)
        return std::exchange(s_nextSaveFile, {});
    // An instance, not the static: only it adds the suffix to a name typed without one.
    QFileDialog picker(parent, caption, suggested, filter);
    picker.setAcceptMode(QFileDialog::AcceptSave);
    picker.setFileMode(QFileDialog::AnyFile);
    picker.setDefaultSuffix(suffix);
    if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty())
        return {};
    return picker.selectedFiles().constFirst();
}

void Prompt::setNextSaveFile(const QString& path)
{
    s_nextSaveFile = path;
}

bool Prompt::question(QWidget* parent, const QString& text)
{
    if (s_testing) {
        s_shown.append({QCoreApplication::applicationName(), text, QMessageBox::Question});
        return std::exchange(s_nextAnswer, false);
    }
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void Prompt::setNextAnswer(bool yes)
{
    s_nextAnswer = yes;
}

std::optional<QString> Prompt::askText(QWidget* parent, const QString& caption, const QString& label,
                                       const QString& initial)
{
    if (s_testing)
        return std::exchange(s_nextText, std::nullopt);
    bool ok = false;
    const QString text = QInputDialog::getText(parent, caption, label, QLineEdit::Normal, initial, &ok);
    return ok ? std::optional<QString>(text) : std::nullopt;
}

void Prompt::setNextText(const QString& text)
{
    s_nextText = text;
}

void Prompt::setTesting(bool on)
{
    s_testing = on;
    if (!on) {
        s_shown.clear();
        s_nextFile.clear();
        s_nextSaveFile.clear();
        s_nextAnswer = false;
        s_nextText.reset();
    }
}

QList<Prompt::Message> Prompt::takeShown()
{
    return std::exchange(s_shown, {});
}
