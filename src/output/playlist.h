#pragma once

#include <vector>

#include <QString>

#include "base/comerror.h"

/// One written file as a playlist lists it.
struct PlaylistEntry
{
    double seconds = 0;  // the length of its sound
    QString headword;
    QString meaning;
    QString fileName;  // relative to the playlist's folder
};

/// The playlist of the files in `folder`: "<folder name>.m3u8" in that folder ("playlist.m3u8"
/// for a folder without a name, such as "/").
QString PlaylistPath(const QString& folder);

/// The playlist's text: "#EXTM3U", then per entry, in order, "#EXTINF:seconds,headword – meaning"
/// (whole seconds, at least 1; no " – " without a meaning) and the file name. Line breaks in
/// the texts become spaces.
QString PlaylistText(const std::vector<PlaylistEntry>& entries);

/// Writes PlaylistText in UTF-8 to PlaylistPath(folder) in one step (QSaveFile): a player never
/// sees half a list, and a failed write leaves an older playlist as it was. Fails with
/// ResultCode::PlaylistNotWritten, the playlist's path and the system's reason as its subject.
Result<void> WritePlaylist(const QString& folder, const std::vector<PlaylistEntry>& entries);
