#pragma once

#include <optional>

#include <QString>

/// A folder is usable for output when it is not empty ("/" is the shortest real folder).
bool IsUsableOutputFolder(const QString& folder);

/// True when a headword names no file of its own in a folder: empty, "." or "..", or holding
/// "/" (which would write elsewhere) or a control character (NUL, a newline…).
bool IsRefusedHeadword(const QString& headword);

/// The file a headword is written to: folder + "/" + headword + ".wav", the headword exactly as
/// the list shows it. Nothing for a refused headword (IsRefusedHeadword).
std::optional<QString> OutputFilePath(const QString& folder, const QString& headword);
