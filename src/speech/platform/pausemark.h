#pragma once

#include <QChar>

// What the speech planner reads in a composed text: the composer writes these marks and the
// planner turns them into silence, so they are defined at the lower of the two.

/// The pause a reader makes at a part's ";", and between repeats of the headword unless a
/// style asks for another.
inline constexpr int kPartPauseMs = 300;

/// Private-use characters that no word list holds (the composer drops any it is given): a
/// pause mark is kPauseMarkStart, the milliseconds in decimal digits, kPauseMarkEnd.
inline constexpr QChar kPauseMarkStart = QChar(0xE000);
inline constexpr QChar kPauseMarkEnd = QChar(0xE001);
