#pragma once

#include <optional>

#include <QString>

#include "base/comerror.h"

/// A folder is usable for output when it is not empty ("/" is the shortest real folder).
bool IsUsableOutputFolder(const QString& folder);

/// Makes `folder` with the folders it is in, as `mkdir -p` does; nothing for one that is there.
/// Fails with JobFolderNotMade, the path and the system's reason as subject ("…: Permission
/// denied", "…: Not a directory" for a file in the way).
Result<void> MakeOutputFolder(const QString& folder);

/// True when a headword names no file of its own in a folder: empty, "." or "..", or holding
/// "/" (which would write elsewhere) or a control character (NUL, a newline…).
bool IsRefusedHeadword(const QString& headword);

/// The file a headword is written to: folder + "/" + headword + ".wav", the headword exactly as
/// the list shows it. Nothing for a refused headword (IsRefusedHeadword).
std::optional<QString> OutputFilePath(const QString& folder, const QString& headword);
