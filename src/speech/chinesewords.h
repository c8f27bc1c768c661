#pragma once

#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "base/comerror.h"

/// Chinese words with the reading each has, so that a character with several readings is said
/// as its word has it (银行 yín háng, 行走 xíng zǒu). Read from UTF-8 lines "词语: pīn yīn" or
/// "词语<TAB>pin1 yin1" (tone marks or tone numbers, one syllable a character); "#" starts a
/// comment; of two lines for one word the first holds.
class ChineseWords
{
public:
    /// A word a text begins with: its length in UTF-16 units (0: none) and its reading in tone
    /// numbers ("yin2 hang2").
    struct Match
    {
        qsizetype length = 0;
        QString pinyin;
        bool asSaid = false;  // a reading as spoken, which the tone rules leave as it is
    };

    ChineseWords() = default;

    static ChineseWords Parse(QByteArray utf8);
    /// The lines of `asSaid` (readings as spoken, winning over the others) and then those of `data`.
    static ChineseWords Parse(const QByteArray& asSaid, const QByteArray& data);
    /// The words of the file at `path`; fails when it cannot be read.
    static Result<ChineseWords> Read(const QString& path);
    /// The readings the program ships, from their folder `folder`: the exceptions
    /// (pinyin-exceptions.txt, as said), the words (phrase-pinyin.txt) and one reading for each
    /// character (char-pinyin.txt); fails when one cannot be read.
    static Result<ChineseWords> ReadShipped(const QString& folder);

    /// The readings shipped with the program (ReadShipped) from share/lexovox as the programs
    /// find it from their folder (bin/ or libexec/lexovox/), read once per process at the first
    /// call. Empty when they are not there.
    static std::shared_ptr<const ChineseWords> Shipped();
    /// The folder Shipped() reads from; empty when the readings are not there.
    static QString ShippedFolder();

    /// The longest word `text` begins with; a word whose reading is not one syllable a
    /// character counts as none.
    Match LongestAt(QStringView text) const;

    qsizetype Size() const { return m_size; }
    bool IsEmpty() const { return m_size == 0; }

private:
    // Where the line of `word` (UTF-8) starts in m_text, or -1.
    qsizetype Find(const char* word, qsizetype length) const;

    // The list as read (the lines before m_asSaidEnd are readings as said); a reading stays in tone marks until its word is asked for, as most never
    // are. Each word's line is found through an open-addressing table of line starts + 1 (0:
    // free), sized to a power of two: reading the shipped list costs a few milliseconds.
    QByteArray m_text;
    std::vector<quint32> m_slots;
    qsizetype m_size = 0;
    qsizetype m_asSaidEnd = 0;
    qsizetype m_longest = 0;  // in UTF-16 units
};
