#pragma once

#include <memory>

#include <QSettings>

/// The program's settings store, named here rather than through the application object so the
/// program, its tests and its tools agree on it.
std::unique_ptr<QSettings> ProgramSettings();
