#pragma once

#include <optional>

#include <QString>

#include "output/filenaming.h"
#include "speech/fileencoding.h"

/// The choices about the files of a batch beyond voice and format, as the window's file type,
/// bit rate, 编号, 播放列表 and card-safe controls (and lexovox-batch's options) hold them.
struct OutputFileOptions
{
    speech::FileEncoding encoding;
    bool numbered = false;
    bool playlist = false;
    std::optional<bool> cardSafe;  // unset: on for MP3 and Opus, off for WAV
    /// A word's file the same, byte for byte, whatever was spoken before it and whichever
    /// process spoke it: slower, each espeak-ng text then costs a fork. Off, a file's length
    /// still depends on the words before it by a few milliseconds only.
    bool repeatable = false;

    bool IsCardSafe() const;
    /// How the batch's files are named under these options.
    FileNaming Naming() const;

    bool operator==(const OutputFileOptions&) const = default;
};
