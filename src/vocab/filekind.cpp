#include "vocab/filekind.h"

VocabularyFileKind SniffVocabularyFile(const QByteArray& head)
{
    if (head.isEmpty())
        return VocabularyFileKind::Empty;
    if (head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return VocabularyFileKind::Sqlite;
    // Jet and its successor keep their name at offset 4 and Jet its version byte at 0x14.
    const QByteArray name = head.mid(4, 15);
    if (name == "Standard Jet DB")
        return head.size() > 0x14 && head[0x14] == 1 ? VocabularyFileKind::Jet4 : VocabularyFileKind::OtherAccess;
    if (name == "Standard ACE DB")
        return VocabularyFileKind::OtherAccess;
    return VocabularyFileKind::Other;
}
