#pragma once

#include <optional>

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
    /// A picker for a file to write, `suggested` first in it, `suffix` added to a name typed
    /// without one; empty when cancelled. While testing, the answer set by setNextSaveFile, once.
    static QString chooseSaveFile(QWidget* parent, const QString& caption, const QString& filter,
                                  const QString& suggested, const QString& suffix);
    static void setNextSaveFile(const QString& path);

    /// A yes/no question; true for yes. While testing it is recorded as a message and answered
    /// by setNextAnswer, once (no answer set: no).
    static bool question(QWidget* parent, const QString& text);
    static void setNextAnswer(bool yes);

    /// A one-line text to type, `initial` in it; nothing when cancelled. While testing, the
    /// answer set by setNextText, once (none set: cancelled).
    static std::optional<QString> askText(QWidget* parent, const QString& caption, const QString& label,
                                          const QString& initial);
    static void setNextText(const QString& text);

    static void setTesting(bool on);
    /// The boxes recorded since the last call, oldest first; the record is emptied.
    static QList<Message> takeShown();
};
