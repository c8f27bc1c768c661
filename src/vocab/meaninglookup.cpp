#include "vocab/meaninglookup.h"

MeaningLookup::MeaningLookup(WordStore*) {}

std::optional<QString> MeaningLookup::Find(const QString&) const
{
    return std::nullopt;
}
