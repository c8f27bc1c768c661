#pragma once

#include <vector>

#include <QHash>
#include <QString>

#include "base/comerror.h"
#include "speech/chinesewords.h"

/// A line of a pronunciation list that was skipped, and why.
struct PronunciationProblem
{
    enum class Kind {
        NoTab,             // no tab between the headword and what to say
        NoHeadword,
        NothingToSay,
        UnclosedPhonemes,  // "[[" without "]]"
        Repeated,          // the headword has a rule on an earlier line
        NotUtf8,
        TooLong,           // phonemes past what the voice can hold
        NotPinyin,         // a Chinese word's reading is not tone-numbered pinyin, one syllable a character
    };

    /// The longest phonemes a rule may give: espeak-ng crashes on a word of some 500.
    static constexpr int kMaxPhonemes = 200;

    int line = 0;  // from 1
    Kind kind = Kind::NoTab;
    int earlierLine = 0;  // Repeated: where the rule that holds is

    bool operator==(const PronunciationProblem&) const = default;
};

/// "第 3 行：没有制表符…" or "line 3: no tab …": the line and the table's words for its problem.
QString PronunciationProblemText(const PronunciationProblem& problem, bool chinese);

/// The user's fixes for words a voice says wrong: a UTF-8 text file, one rule a line,
/// "headword<TAB>what to say instead". What to say is plain text for the voice, or espeak-ng
/// phonemes in [[…]], which only a voice whose English is espeak-ng's can read. Blank lines and
/// lines starting with # are skipped; so is a malformed line, which is reported with its number
/// while the rest apply. Headwords match whatever their case.
///
/// A headword of Chinese characters read as pinyin ("银行<TAB>yin2 hang2"; tone numbers or marks,
/// one syllable a character) is a reading of that word wherever Chinese is said: in meanings and
/// labels as in a Chinese headword, over the shipped readings (see MarkChineseReadings).
class PronunciationList
{
public:
    PronunciationList() = default;

    /// The rules in `text`, the contents of a list file.
    static PronunciationList Parse(const QByteArray& text);
    /// The rules of the file at `path`; fails when it cannot be read.
    static Result<PronunciationList> Read(const QString& path);

    /// What to say for `headword`: empty when it has no rule, or when its rule is phonemes and
    /// `phonemesReadable` is false (the voice says the headword itself then). Empty too for a
    /// Chinese word's pinyin, which Chinese() holds.
    QString For(const QString& headword, bool phonemesReadable) const;
    /// The Chinese words the list gives a pinyin reading.
    const ChineseWords& Chinese() const { return m_chinese; }

    int Size() const { return int(m_rules.size()); }
    const std::vector<PronunciationProblem>& Problems() const { return m_problems; }

private:
    struct Rule
    {
        QString say;
        int line = 0;
        bool phonemes = false;
        bool pinyin = false;
    };
    QHash<QString, Rule> m_rules;  // by lower-case headword
    ChineseWords m_chinese;
    std::vector<PronunciationProblem> m_problems;
};

/// The list the program uses unless told otherwise: pronunciations.txt in the user's data
/// folder (~/.local/share/lexovox).
QString DefaultPronunciationsPath();

/// Creates the list at `path` (and its folder) with a commented example, unless a file is there.
Result<void> CreatePronunciationList(const QString& path);
