#pragma once

#include <optional>

#include <QString>

class QWidget;

/// Lets the user choose an existing folder for the generated files: a modal dialog with the
/// instruction text, a folder tree of the whole file system, the places a user keeps files
/// (home, removable drives), a status line with the highlighted folder's full path, OK and
/// Cancel.
class FolderBrowser
{
public:
    FolderBrowser() = default;
    virtual ~FolderBrowser();
    FolderBrowser(const FolderBrowser&) = delete;
    FolderBrowser& operator=(const FolderBrowser&) = delete;

    /// Shows the browser over `owner`, preselecting `initialSelection` when it names a folder.
    /// Returns the chosen folder's full path, or empty text when the user cancelled.
    QString Browse(QWidget* owner, const QString& initialSelection);

    /// Tests: the next Browse returns `path` at once, without a dialog.
    static void setNextResult(const QString& path);
    /// Tests: how many times Browse has been called.
    static int browseCount();
};
