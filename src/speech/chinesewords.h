#pragma once

#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "base/comerror.h"

/// Chinese words with the reading each has, so that a character with several readings is said
/// as its word has it (银行 yín háng, 行走 xíng zǒu). Read from UTF-8 lines "词语: pīn yīn" (tone
/// marks or tone numbers, one syllable a character); "#" starts a comment; of two lines for one
/// word the first holds.
class ChineseWords
{
public:
    /// A word a text begins with: its length in UTF-16 units (0: none) and its reading in tone
    /// numbers ("yin2 hang2").
    struct Match
    {
        qsizetype length = 0;
        QString pinyin;
    };

    ChineseWords() = default;

    static ChineseWords Parse(QByteArray utf8);
    /// The words of the file at `path`; fails when it cannot be read.
    static Result<ChineseWords> Read(const QString& path);

    /// The words shipped with the program, share/lexovox/phrase-pinyin.txt as the programs find
    /// it from their folder (bin/ or libexec/lexovox/), read once per process at the first call.
    /// Empty when it is not there.
    static std::shared_ptr<const ChineseWords> Shipped();
    /// Where Shipped() reads from; empty when no file is there.
    static QString ShippedPath();

    /// The longest word `text` begins with; a word whose reading is not one syllable a
    /// character counts as none.
    Match LongestAt(QStringView text) const;

    qsizetype Size() const { return m_size; }
    bool IsEmpty() const { return m_size == 0; }

private:
    // Where the line of `word` (UTF-8) starts in m_text, or -1.
    qsizetype Find(const char* word, qsizetype length) const;

    // The list as read; a reading stays in tone marks until its word is asked for, as most never
    // are. Each word's line is found through an open-addressing table of line starts + 1 (0:
    // free), sized to a power of two: reading the shipped list costs a few milliseconds.
    QByteArray m_text;
    std::vector<quint32> m_slots;
    qsizetype m_size = 0;
    qsizetype m_longest = 0;  // in UTF-16 units
};
