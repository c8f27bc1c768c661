#pragma once

#include <vector>

#include <QString>

#include "base/comerror.h"
#include "speech/fileencoding.h"

/// What a word's MP3 or Opus file says about itself: a player shows the headword as the title,
/// the course book as the album and keeps the list's order by track number.
struct FileTags
{
    QString title;    // the headword
    QString album;    // the course book, or LookupAlbum's text for a look-up
    int track = 0;    // the row's position among the checked rows, from 1; 0 leaves it out
    int trackCount = 0;  // how many files the course has; 0 leaves it out
    QString meaning;  // the Chinese meaning: comment and lyrics
    /// Places in a long file a player can jump to (a lesson's words), in order.
    struct Chapter
    {
        double start = 0;  // seconds
        double end = 0;
        QString title;
    };
    std::vector<Chapter> chapters;
};

/// The album of the words found by a look-up of `text`: "查询：TEXT".
QString LookupAlbum(const QString& text);

/// Writes `tags` into the file at `path` (its name may be anything, e.g. a temporary one) with
/// TagLib: an ID3v2.4 tag in UTF-8 for MP3 (TIT2, TALB, TRCK, COMM and USLT), Vorbis comments
/// for Opus (TITLE, ALBUM, TRACKNUMBER, TRACKTOTAL, COMMENT, LYRICS). Chapters are CHAP frames
/// (chp1, chp2 …, each titled by a TIT2) under one ordered top-level CTOC in an MP3, and
/// CHAPTER001=hh:mm:ss.mmm with CHAPTER001NAME in an Opus file. WAV files are left as they
/// are. Fails with ResultCode::TagsNotWritten (the path as subject) when the file cannot be
/// read as its type or saved.
Result<void> WriteFileTags(const QString& path, speech::OutputFileType type, const FileTags& tags);
