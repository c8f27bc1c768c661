#pragma once

#include "output/batchjob.h"

/// The window's choices kept between runs: the run they describe, and what only the window has.
struct WindowSettings
{
    BatchJob job;               // without its source and rows, which the tree and list give
    bool formatChosen = false;  // whether job.formatCode was picked; else the list shows the output's own
};

/// The choices of the last run of the program. Each option of JobOptions is kept under its
/// settings key; a value another version or a hand-edited file left out of range or unreadable
/// falls back to the option's default.
WindowSettings LoadWindowSettings();
void SaveWindowSettings(const WindowSettings& settings);

/// The format code a run of the window's choices is made in: `formatCode`, or for -1 (none
/// picked, the output's own unreadable) the table's fallback entry.
int RunFormatCode(int formatCode);

/// The run the window's choices describe over `rows` (the checked words) from `source`.
BatchJob JobFromWindow(const WindowSettings& settings, const WordSource& source, std::vector<WordEntry> rows);
