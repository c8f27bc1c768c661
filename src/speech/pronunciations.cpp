#include "speech/pronunciations.h"

#include <algorithm>
#include <optional>

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include "base/readfile.h"
#include "speech/platform/speechplan.h"
#include "speech/tonenumbers.h"

namespace {

const QByteArray kExample = QByteArrayLiteral(
    "# Lexovox pronunciation list: how to say words the voice says wrong.\n"
    "# 发音表：一行一条，单词、制表符 (Tab)、读法。以 # 开头的行不读。\n"
    "#\n"
    "# One rule a line: the headword, a tab, then what to say instead, either as plain text\n"
    "# for the voice or as espeak-ng phonemes between [[ and ]] (eSpeak NG voices only).\n"
    "# Remove the # before a rule to use it:\n"
    "#\n"
    "#live\tliv\n"
    "#lead\t[[l'i:d]]\n"
    "#\n"
    "# A Chinese word, read so in meanings too: the word, a tab, its pinyin with tone numbers\n"
    "# (5 for the neutral tone), one syllable a character.\n"
    "# 中文词语：词语、制表符、带声调数字的拼音（轻声写 5），释义中也这样读。\n"
    "#银行\tyin2 hang2\n");

bool IsPhonemes(const QString& say)
{
    return say.startsWith(u"[[");
}

// How many Han characters `text` has; -1 when it has anything else.
qsizetype HanCharacters(const QString& text)
{
    const QList<uint> points = text.toUcs4();
    const bool han = std::all_of(points.begin(), points.end(),
                                 [](uint c) { return speech::ScriptOf(c) == speech::Script::Han; });
    return han ? points.size() : -1;
}

bool HasHan(const QString& text)
{
    const QList<uint> points = text.toUcs4();
    return std::any_of(points.begin(), points.end(),
                       [](uint c) { return speech::ScriptOf(c) == speech::Script::Han; });
}

// A Chinese headword's reading in pinyin, one syllable a character; nothing when `say` is
// something else for the voice (phonemes, other characters, words without tone numbers, as
// lists written before pinyin was read have them) or `headword` is not all Han. `wrong` is set
// when it was meant as pinyin (it has tone numbers) and is none.
std::optional<QString> ChineseReading(const QString& headword, const QString& say, bool& wrong)
{
    wrong = false;
    const qsizetype characters = HanCharacters(headword);
    const bool toneNumbers = std::any_of(say.begin(), say.end(), [](QChar c) { return c >= u'1' && c <= u'5'; });
    if (characters <= 0 || IsPhonemes(say) || HasHan(say) || !toneNumbers)
        return std::nullopt;
    const std::optional<ToneNumbered> pinyin = ToneNumberedPinyin(say, false);
    wrong = !pinyin || pinyin->syllables != characters;
    return wrong ? std::nullopt : std::optional<QString>(pinyin->text);
}

HRESULT PronunciationProblemCode(PronunciationProblem::Kind kind)
{
    using Kind = PronunciationProblem::Kind;
    switch (kind) {
    case Kind::NoTab:
        return ResultCode::PronunciationNoTab;
    case Kind::NoHeadword:
        return ResultCode::PronunciationNoHeadword;
    case Kind::NothingToSay:
        return ResultCode::PronunciationNothingToSay;
    case Kind::UnclosedPhonemes:
        return ResultCode::PronunciationUnclosedPhonemes;
    case Kind::Repeated:
        return ResultCode::PronunciationRepeated;
    case Kind::TooLong:
        return ResultCode::PronunciationTooLong;
    case Kind::NotPinyin:
        return ResultCode::PronunciationNotPinyin;
    case Kind::NotUtf8:
        break;
    }
    return ResultCode::PronunciationNotUtf8;
}

} // namespace

QString PronunciationProblemText(const PronunciationProblem& problem, bool chinese)
{
    const int number = problem.kind == PronunciationProblem::Kind::TooLong ? PronunciationProblem::kMaxPhonemes : problem.earlierLine;
    const QString what = ComErrorText(PronunciationProblemCode(problem.kind), QString::number(number), chinese);
    return chinese ? QStringLiteral("第 %1 行：%2").arg(problem.line).arg(what)
                   : QStringLiteral("line %1: %2").arg(problem.line).arg(what);
}

PronunciationList PronunciationList::Parse(const QByteArray& text)
{
    using Kind = PronunciationProblem::Kind;
    PronunciationList list;
    QString chinese;  // "词语: pinyin" lines
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = int(i) + 1;
        QByteArray bytes = lines[i];
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        if (i == 0 && bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);  // a byte-order mark some editors write
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decoder(bytes);
        if (decoder.hasError()) {
            list.m_problems.push_back({number, Kind::NotUtf8});
            continue;
        }
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        if (tab < 0) {
            list.m_problems.push_back({number, Kind::NoTab});
            continue;
        }
        const QString headword = line.first(tab).trimmed().toLower();
        const QString say = line.sliced(tab + 1).trimmed();
        if (headword.isEmpty()) {
            list.m_problems.push_back({number, Kind::NoHeadword});
            continue;
        }
        if (say.isEmpty()) {
            list.m_problems.push_back({number, Kind::NothingToSay});
            continue;
        }
        if (IsPhonemes(say) && !say.endsWith(u"]]")) {
            list.m_problems.push_back({number, Kind::UnclosedPhonemes});
            continue;
        }
        if (IsPhonemes(say) && say.size() - 4 > PronunciationProblem::kMaxPhonemes) {
            list.m_problems.push_back({number, Kind::TooLong});
            continue;
        }
        bool notPinyin = false;
        const std::optional<QString> pinyin = ChineseReading(headword, say, notPinyin);
        if (notPinyin) {
            list.m_problems.push_back({number, Kind::NotPinyin});
            continue;
        }
        if (const auto earlier = list.m_rules.constFind(headword); earlier != list.m_rules.cend()) {
            list.m_problems.push_back({number, Kind::Repeated, earlier->line});
            continue;
        }
        list.m_rules.insert(headword, Rule{say, number, IsPhonemes(say), pinyin.has_value()});
        if (pinyin)
            chinese += headword + QStringLiteral(": ") + *pinyin + u'\n';
    }
    list.m_chinese = ChineseWords::Parse(chinese.toUtf8());
    return list;
}

Result<PronunciationList> PronunciationList::Read(const QString& path)
{
    const Result<QByteArray> text = ReadWholeFile(path);
    if (!text)
        return Fail(text.error());
    return Parse(*text);
}

QString PronunciationList::For(const QString& headword, bool phonemesReadable) const
{
    const auto rule = m_rules.constFind(headword.trimmed().toLower());
    if (rule == m_rules.cend() || rule->pinyin || (rule->phonemes && !phonemesReadable))
        return {};
    return rule->say;
}

QString DefaultPronunciationsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/lexovox/pronunciations.txt");
}

Result<void> CreatePronunciationList(const QString& path)
{
    if (QFileInfo::exists(path))
        return {};
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return Fail(ComError(STG_E_PATHNOTFOUND, path));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(kExample) != kExample.size() || !file.commit())
        return Fail(ComError(STG_E_ACCESSDENIED, path));
    return {};
}
