#pragma once

#include <QString>

/// The vocabulary file last opened from the window, kept in the user's settings; empty when
/// none was. The program looks there at its next start.
QString RememberedVocabulary();
void RememberVocabulary(const QString& path);
