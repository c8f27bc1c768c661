#pragma once

#include <cstdint>
#include <vector>

#include <QString>

#include "speech/platform/enginedescription.h"

namespace speech {

/// A voice an engine description finds on this machine.
struct EngineVoice
{
    QString name;      // "en_US-lessac-medium", "kal_diphone"
    QString path;      // its file or folder; empty for a listed voice
    QString language;  // as the description or the voice's metadata gives it: "en_US", "en"
    QString quality;   // from the metadata, may be empty
    std::uint32_t sampleRate = 0;  // 0: not known before it speaks
};

/// The program's full path: as given when it holds a "/", else the first executable file of
/// that name on PATH. Empty when there is none. Runs nothing.
QString FindProgram(const QString& program);

/// `text` with $XDG_DATA_HOME, $XDG_CONFIG_HOME and $HOME replaced as the user's session has
/// them (the first two by their defaults under $HOME when unset).
QString ExpandUserFolders(const QString& text);

/// The voices the description names that are there: files matching its pattern ("*" any part
/// of one path component, "{name}" the voice's name), with their metadata read (JSON, or
/// "key=value" lines; a language named "English" is "en"), or its list, or those of its list
/// whose files are there.
/// A voice whose name is not letters, digits and "_.+-", or whose metadata cannot be read, is
/// left out.
std::vector<EngineVoice> FindEngineVoices(const EngineDescription& description);

bool IsEnglish(const QString& language);
bool IsChinese(const QString& language);

} // namespace speech
