#pragma once

#include <QString>

/// One vocabulary row as the program sees it: the English headword and its Chinese explanation.
struct WordEntry
{
    QString en;
    QString ch;

    bool operator==(const WordEntry&) const = default;
};
