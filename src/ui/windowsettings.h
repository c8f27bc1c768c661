#pragma once

#include <QString>

#include "output/batchjob.h"
#include "output/fileoptions.h"
#include "output/lessonoptions.h"
#include "output/soundoptions.h"

/// The window's choices kept between runs of the program.
struct WindowSettings
{
    QString folder;
    QString voiceId;      // empty: the default voice
    int formatCode = -1;  // -1: the output's own format
    bool spellOut = false;
    bool chineseMeaning = false;
    bool prefix = false;
    bool skipExisting = false;
    OutputFileOptions files;
    SoundOptions sound;
    LessonOptions lesson;  // beside the words' own files, which the window always writes
};

WindowSettings LoadWindowSettings();
void SaveWindowSettings(const WindowSettings& settings);

/// The format code a run of the window's choices is made in: `formatCode`, or for -1 (none
/// picked, the output's own unreadable) the table's fallback entry.
int RunFormatCode(int formatCode);

/// The run the window's choices describe over `rows` (the checked words) from `source`; a
/// format of -1 (none picked, the output's own unreadable) is the table's fallback entry.
BatchJob JobFromWindow(const WindowSettings& settings, const WordSource& source, std::vector<WordEntry> rows);
