#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

/// How the files of a batch are named.
struct FileNaming
{
    QString extension = QStringLiteral("wav");  // without the dot
    bool numbered = false;  // "001 apple.mp3": the position among the checked rows, zero-padded
    bool cardSafe = false;  // names a FAT or exFAT card takes as they are
};

/// The digits of the largest number of a batch of `count` files: 9 → 1, 10 → 2, 1000 → 4.
int NumberWidth(int count);

/// `stem` as a FAT or exFAT file system takes it: `" * : < > ? \ |` and control characters
/// become "_", trailing dots and spaces are dropped (such a name may come out empty).
QString CardSafeStem(const QString& stem);

/// The file names (no folder) of the checked headwords, in list order: entry i belongs to
/// headwords[i], nothing where the headword is refused (IsRefusedHeadword): as it is, or once
/// made card-safe on card-safe names, which so take control characters and leave out only
/// what names no file anywhere ("and/or", "..."). Numbers count every checked row, so a refused row keeps its number's
/// place. No two names are the same, ignoring case on card-safe names (FAT ignores it): a later
/// one gets " (2)", " (3)" … before its extension, so no file of the batch overwrites another.
std::vector<std::optional<QString>> PlanFileNames(const QStringList& headwords, const FileNaming& naming);
