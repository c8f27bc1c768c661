#pragma once

#include <QString>
#include <QStringList>

/// Where to look for the vocabulary file, one field a place; an empty field is not looked at.
struct VocabularySearch
{
    /// A file named on the command line: when set, the only place looked.
    QString explicitFile;
    /// The folder the program was started in: its code.dll, as the program always read.
    QString currentFolder;
    /// A file chosen earlier in the window.
    QString rememberedFile;
    /// The user's data folder (~/.local/share): its lexovox/code.dll.
    QString userDataFolder;
    /// The folder the program runs from: the installed default ../share/lexovox/code.dll.
    QString programFolder;
};

/// The outcome of a search: the first file that exists (empty when none) and every path looked
/// at up to it, in order, for the failure message.
struct VocabularyLocation
{
    QString path;
    QStringList tried;
    bool found() const { return !path.isEmpty(); }
};

/// Looks in the order of VocabularySearch's fields. A file that exists is taken even if it
/// will not open, so a damaged file is reported rather than passed over.
VocabularyLocation FindVocabulary(const VocabularySearch& search);

/// The search of a running program: the current folder, the user's data folder and the
/// program's own folder, with the given command-line and remembered files.
VocabularySearch ProgramVocabularySearch(const QString& explicitFile, const QString& rememberedFile);

/// The connection string that opens the vocabulary file at `path` with the program's password.
QString VocabularyConnectionString(const QString& path);
