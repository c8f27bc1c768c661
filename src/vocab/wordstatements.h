#pragma once

#include <QString>

/// The three word statements. The inserted text keeps '%' and '_' as patterns; each
/// apostrophe is doubled so a key or look-up such as "o'clock" stays one quoted text.
QString CourseStatement(const QString& subclass);
QString EnglishLookUpStatement(const QString& text);
QString ChineseLookUpStatement(const QString& text);
