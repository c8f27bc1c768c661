// How clearly each English-capable voice says a headword: every voice writes the same 100
// common words as 16 kHz WAV files through the program's own file path, and PocketSphinx with
// its US English model, held to a grammar of exactly those words, says which word it heard.
// The table shows, per voice, the words recognised and the words written per second.
//
//   bench_intelligibility [--words N] [--keep DIR] [--rate PERCENT] [--voice TEXT]
//
// --rate speaks English at PERCENT of the engines' usual tempo (50 to 200); --voice keeps the
// voices whose description contains TEXT.
//
// The best bilingual voice of this table is the voice category's default.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include "speech/audioformattable.h"
#include "speech/platform/objecttoken.h"
#include "speech/platform/platform.h"
#include "speech/platform/voice.h"
#include "speech/speakingrate.h"
#include "speech/speechengine.h"
#include "speech/voicecatalogue.h"

using namespace speech;

namespace {

// Common words of a beginner's list, all in the recogniser's dictionary.
const char* const kWords[] = {
    "apple",   "banana",  "orange",  "water",   "bread",   "chicken", "rice",    "milk",
    "coffee",  "table",   "chair",   "window",  "door",    "house",   "school",  "teacher",
    "student", "book",    "pencil",  "paper",   "computer","phone",   "mother",  "father",
    "brother", "sister",  "friend",  "family",  "doctor",  "hospital","city",    "country",
    "river",   "mountain","flower",  "garden",  "tree",    "animal",  "horse",   "tiger",
    "monkey",  "rabbit",  "yellow",  "purple",  "green",   "black",   "white",   "happy",
    "angry",   "tired",   "hungry",  "thirsty", "morning", "evening", "tonight", "tomorrow",
    "yesterday","monday", "friday",  "summer",  "winter",  "spring",  "autumn",  "weather",
    "rain",    "snow",    "cloud",   "money",   "market",  "station", "airport", "ticket",
    "train",   "bicycle", "music",   "movie",   "picture", "camera",  "kitchen", "bedroom",
    "shoes",   "jacket",  "sweater", "dinner",  "lunch",   "breakfast","sugar",  "salt",
    "number",  "seven",   "twelve",  "hundred", "thousand","question","answer",  "language",
    "english", "chinese", "travel",  "finish",
};

// One token, always selected: the engine's voice list for a pick.
class OneToken final : public TokenList
{
public:
    explicit OneToken(TokenPtr token)
        : m_token(std::move(token))
    {
    }
    int AddString(const QString&) override { return 0; }
    void SetItemData(int, TokenPtr) override {}
    void SetCurrentSelection(int) override {}
    TokenPtr GetSelectedToken() const override { return m_token; }

private:
    TokenPtr m_token;
};

struct Row
{
    QString voice;
    bool bilingual = false;
    int recognised = 0;
    int words = 0;
    double wordsPerSecond = 0;
};

QString Value(const ObjectToken& token, const QString& name)
{
    QString value;
    token.GetStringValue(name, value);
    return value;
}

// The English voices: the bilingual ones and espeak-ng's English accents.
std::vector<TokenPtr> EnglishVoices(const Platform& platform)
{
    std::unique_ptr<TokenCategory> category;
    std::unique_ptr<TokenEnumerator> tokens;
    std::vector<TokenPtr> voices;
    if (Failed(GetCategoryFromId(platform, kVoicesCategoryId, false, category))
        || Failed(category->EnumTokens({}, {}, tokens)))
        return voices;
    TokenPtr token;
    while (tokens->Next(token) == S_OK) {
        const QString voice = Value(*token, QStringLiteral("Voice"));
        if (!Value(*token, QStringLiteral("LatinVoice")).isEmpty() || voice.startsWith(u"gmw/en"))
            voices.push_back(token);
    }
    return voices;
}

// Runs the recogniser over the files of the control list; the word it heard for each.
std::map<QString, QString> Recognise(const QDir& dir, const QStringList& names,
                                     const QStringList& words)
{
    const QString model = QStringLiteral("/usr/share/pocketsphinx/model/en-us/");
    QFile grammar(dir.filePath(QStringLiteral("words.gram")));
    QFile control(dir.filePath(QStringLiteral("files.ctl")));
    if (!grammar.open(QIODevice::WriteOnly) || !control.open(QIODevice::WriteOnly))
        return {};
    QTextStream(&grammar) << "#JSGF V1.0;\ngrammar words;\npublic <word> = " << words.join(QStringLiteral(" | "))
                          << ";\n";
    QTextStream(&control) << names.join(u'\n') << '\n';
    grammar.close();
    control.close();
    const QString hyp = dir.filePath(QStringLiteral("heard.txt"));
    QProcess recogniser;
    recogniser.start(QStringLiteral("pocketsphinx_batch"),
                     {QStringLiteral("-hmm"), model + QStringLiteral("en-us"), QStringLiteral("-dict"),
                      model + QStringLiteral("cmudict-en-us.dict"), QStringLiteral("-jsgf"),
                      grammar.fileName(), QStringLiteral("-adcin"), QStringLiteral("yes"),
                      QStringLiteral("-adchdr"), QStringLiteral("44"), QStringLiteral("-cepdir"),
                      dir.path(), QStringLiteral("-cepext"), QStringLiteral(".wav"), QStringLiteral("-ctl"),
                      control.fileName(), QStringLiteral("-hyp"), hyp, QStringLiteral("-logfn"),
                      dir.filePath(QStringLiteral("recogniser.log"))});
    if (!recogniser.waitForFinished(-1) || recogniser.exitCode() != 0) {
        std::fprintf(stderr, "pocketsphinx_batch failed (install pocketsphinx and pocketsphinx-en-us)\n");
        return {};
    }
    // "apple (utterance -1234)" per line; an empty hypothesis is a word not heard.
    std::map<QString, QString> heard;
    QFile result(hyp);
    if (!result.open(QIODevice::ReadOnly))
        return heard;
    for (const QString& line : QString::fromUtf8(result.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype open = line.lastIndexOf(u'(');
        const QString id = line.mid(open + 1).section(u' ', 0, 0);
        heard[id] = line.left(open).trimmed();
    }
    return heard;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList words;
    for (const char* w : kWords)
        words << QString::fromLatin1(w);
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--words")); at >= 0 && at + 1 < args.size())
        words = words.mid(0, args[at + 1].toInt());
    QTemporaryDir temporary;
    QString root = temporary.path();
    if (const qsizetype at = args.indexOf(QStringLiteral("--keep")); at >= 0 && at + 1 < args.size()) {
        root = args[at + 1];
        QDir().mkpath(root);
    }

    SpeechEngine engine;
    if (!engine.Initialize(nullptr)) {
        std::fprintf(stderr, "%s\n", qPrintable(engine.GetErrorText()));
        return 1;
    }
    // The recogniser's model is 16 kHz, 16-bit mono.
    engine.SetOutputFormat(AudioFormatTable[kUnreadableFormatEntry].code);
    int rate = kUsualRatePercent;
    if (const qsizetype at = args.indexOf(QStringLiteral("--rate")); at >= 0 && at + 1 < args.size())
        rate = args[at + 1].toInt();
    if (!engine.SetSpeakingRates(rate, kUsualRatePercent)) {
        std::fprintf(stderr, "--rate takes %d to %d\n", kMinRatePercent, kMaxRatePercent);
        return 1;
    }
    QString only;
    if (const qsizetype at = args.indexOf(QStringLiteral("--voice")); at >= 0 && at + 1 < args.size())
        only = args[at + 1];

    std::vector<Row> rows;
    int index = 0;
    for (const TokenPtr& token : EnglishVoices(engine.GetPlatform())) {
        QString description;
        GetTokenDescription(*token, 0x0409, description);
        if (!description.contains(only))
            continue;
        QDir dir(root);
        const QString folder = QStringLiteral("voice%1").arg(index++, 2, 10, QLatin1Char('0'));
        dir.mkpath(folder);
        dir.cd(folder);
        const OneToken pick(token);
        engine.SelectVoiceFromList(&pick);
        QStringList names;
        const auto start = std::chrono::steady_clock::now();
        for (const QString& word : words) {
            if (engine.SpeakToFile(word, 0, dir.filePath(word + QStringLiteral(".wav"))) == S_OK)
                names << word;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const std::map<QString, QString> heard = Recognise(dir, names, words);
        Row row;
        row.voice = description;
        row.bilingual = !Value(*token, QStringLiteral("LatinVoice")).isEmpty();
        row.words = static_cast<int>(words.size());
        row.wordsPerSecond = names.size() / seconds;
        for (const QString& name : names) {
            const auto it = heard.find(name);
            row.recognised += it != heard.end() && it->second == name;
        }
        std::fprintf(stderr, "%-62s %3d/%d\n", qPrintable(row.voice), row.recognised, row.words);
        rows.push_back(row);
    }

    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& a, const Row& b) { return a.recognised > b.recognised; });
    std::printf("English at %d %% of the usual rate\n", rate);
    std::printf("%-62s %11s %8s\n", "voice (16 kHz files)", "recognised", "words/s");
    for (const Row& row : rows) {
        std::printf("%-62s %7d/%-3d %8.0f\n", qPrintable(row.voice), row.recognised, row.words,
                    row.wordsPerSecond);
    }
    const auto best = std::find_if(rows.begin(), rows.end(), [](const Row& r) { return r.bilingual; });
    if (best != rows.end())
        std::printf("best bilingual voice: %s\n", qPrintable(best->voice));
    return 0;
}
