// src/vocab/listfile.h — a file's words as text for ParseListText.
#pragma once
#include <functional>
#include <QString>
#include "base/comerror.h"

/// Reads a text file (UTF-8 with or without BOM, UTF-16 with BOM, otherwise GB18030), a CSV/TSV,
/// an .xlsx or .xls (first sheet, first two columns joined by a tab) into one text. A binary
/// file fails with "not a text file". `progress` (may be empty) gets 0..100.
Result<QString> ReadListFile(const QString& path, const std::function<void(int)>& progress = {});
