#pragma once

#include <optional>

#include <QString>

/// A folder is usable for output when it is not empty ("/" is the shortest real folder).
bool IsUsableOutputFolder(const QString& folder);

/// The file a headword is written to: folder + "/" + headword + ".wav", the headword exactly as
/// the list shows it. Nothing when the headword names no file of its own in that folder: empty,
/// "." or "..", or holding "/" (which would write elsewhere) or a NUL character.
std::optional<QString> OutputFilePath(const QString& folder, const QString& headword);
