#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>

class QWidget;

/// The one way the program shows a message box. Tests switch it to recording: boxes are then
/// kept instead of shown and answered with OK.
class Prompt
{
public:
    struct Message
    {
        QString caption;
        QString text;
        QMessageBox::Icon icon;
    };

    /// A modal box with an OK button; returns when it is closed.
    static void message(QWidget* parent, const QString& caption, const QString& text,
                        QMessageBox::Icon icon);
    /// The program's usual box: a warning captioned with the application's name.
    static void warning(QWidget* parent, const QString& text);

    /// A picker for one existing file; the chosen path, or empty when cancelled. While
    /// testing no picker shows: the answer set by setNextFile is returned, once.
    static QString chooseFile(QWidget* parent, const QString& caption, const QString& filter);
    static void setNextFile(const QString& path);

    static void setTesting(bool on);
    /// The boxes recorded since the last call, oldest first; the record is emptied.
    static QList<Message> takeShown();
};
