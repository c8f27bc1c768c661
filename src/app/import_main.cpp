// lexovox-import: turns a word list (CSV with en, ch, subclass) or an old Jet 4 vocabulary into
// the vocabulary file the program reads, or a teacher's words into an own list.

#include <cstdio>
#include <optional>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include "base/comerror.h"
#include "base/stopsignals.h"
#include "vocab/listfile.h"
#include "vocab/listtext.h"
#include "vocab/meaninglookup.h"
#include "vocab/ownlists.h"
#include "vocab/vocabimporter.h"
#include "vocab/vocabularycourses.h"
#include "vocab/vocabularylocation.h"
#include "vocab/wordstore.h"

namespace {

constexpr char kUsage[] =
    "usage: lexovox-import [--force] [--password=TEXT] SOURCE code.dll\n"
    "       lexovox-import --list NAME [--force] [--vocabulary=FILE] FILE\n"
    "  SOURCE           a UTF-8 CSV whose first line names the columns en,ch,subclass,\n"
    "                   or an old Access (Jet 4) vocabulary with table word\n"
    "  --list NAME      keep the words of FILE (text, CSV, .xlsx or .xls; a word a line,\n"
    "                   a meaning after it or not) as the own list NAME, meanings missing\n"
    "                   looked up in the vocabulary\n"
    "  --force          replace an existing vocabulary file or list\n"
    "  --password=TEXT  the Access file's password, if not the program's own\n"
    "  --vocabulary=FILE  the vocabulary to look meanings up in\n"
    "  -h, --help       show this text\n";

struct ImportRequest
{
    QString source;
    QString target;
    bool force = false;
    QString password;
    std::optional<QString> list;  // an own list's name: the source's words become that list
    QString vocabulary;  // for an own list: where meanings are looked up
};

// The request the arguments make; nothing when they ask for help or make no sense, with
// `exitCode` set to what the program ends with.
std::optional<ImportRequest> ParseArguments(const QStringList& arguments, int& exitCode)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show the usage."));
    const QCommandLineOption force(QStringLiteral("force"), QStringLiteral("Replace an existing vocabulary file."));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("The Access file's password."),
                                      QStringLiteral("TEXT"));
    const QCommandLineOption list(QStringLiteral("list"), QStringLiteral("Keep the words as this own list."),
                                  QStringLiteral("NAME"));
    const QCommandLineOption vocabulary(QStringLiteral("vocabulary"),
                                        QStringLiteral("The vocabulary to look meanings up in."), QStringLiteral("FILE"));
    parser.addOptions({help, force, password, list, vocabulary});
    parser.addPositionalArgument(QStringLiteral("SOURCE"), QStringLiteral("A CSV word list or a Jet 4 vocabulary."));
    parser.addPositionalArgument(QStringLiteral("code.dll"), QStringLiteral("The vocabulary file to write."));

    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(help)) {
        std::fputs(kUsage, stdout);
        exitCode = 0;
        return std::nullopt;
    }
    const QStringList files = parser.positionalArguments();
    const qsizetype wanted = parsed && parser.isSet(list) ? 1 : 2;
    if (!parsed || files.size() != wanted) {
        if (!parsed)
            std::fprintf(stderr, "lexovox-import: %s\n", parser.errorText().toLocal8Bit().constData());
        std::fputs(kUsage, stderr);
        exitCode = 2;
        return std::nullopt;
    }
    return ImportRequest{files[0], files.value(1), parser.isSet(force),
                         parser.isSet(password) ? parser.value(password) : ProgramDatabasePassword(),
                         parser.isSet(list) ? std::optional(parser.value(list)) : std::nullopt,
                         parser.value(vocabulary)};
}

void print(std::FILE* to, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), to);
}

int fail(const ComError& error)
{
    print(stderr, u"lexovox-import: %1\n"_qs.arg(error.ErrorMessage()));
    return 1;
}

QString numbers(const QList<int>& lines)
{
    QStringList texts;
    for (const int line : lines)
        texts.append(QString::number(line));
    return texts.join(u", ");
}

/// The vocabulary meanings are looked up in, found as the window and lexovox-batch find it;
/// without one the words keep the meanings they came with.
std::optional<WordStore> openVocabulary(const QString& explicitFile)
{
    const VocabularyLocation location = FindVocabulary(ProgramVocabularySearch(explicitFile, {}));
    WordStore store;
    const Result<void> opened = location.found() ? store.Open(VocabularyConnectionString(location.path))
                                                 : Result<void>(Fail(ComError(ResultCode::FileNotFound,
                                                                              location.tried.join(u", "))));
    if (!opened) {
        print(stderr, u"lexovox-import: %1; meanings are not looked up\n"_qs.arg(opened.error().ErrorMessage()));
        return std::nullopt;
    }
    return store;
}

/// Keeps the words of `request.source` as the own list `*request.list`; the exit status.
int importList(const ImportRequest& request)
{
    if (const QString why = CheckListName(*request.list); !why.isEmpty())
        return fail(ComError(ResultCode::CommandLineUsage, why));
    const Result<QString> text = ReadListFile(request.source);
    if (!text)
        return fail(text.error());
    const ListText parsed = ParseListText(*text);
    if (parsed.words.isEmpty())
        return fail(ComError(ResultCode::OwnListEmpty, *request.list));

    OwnLists lists;
    if (Result<void> opened = lists.Open(); !opened)
        return fail(opened.error());
    // Said before the look-up, which reads the whole vocabulary.
    if (!request.force && lists.Has(*request.list))
        return fail(ComError(ResultCode::ImportTargetExists, u"“%1”"_qs.arg(*request.list)));

    std::optional<WordStore> store = openVocabulary(request.vocabulary);
    if (store) {
        // A list named as one of the vocabulary's own courses would be hidden behind it.
        const Result<QStringList> courses = VocabularyCourses(*store);
        if (courses && courses->contains(*request.list))
            return fail(ComError(ResultCode::OwnListNameIsCourse, *request.list));
    }
    const MeaningLookup lookup(store ? &*store : nullptr);
    QList<OwnListWord> words;
    QStringList withoutMeaning;
    int lookedUp = 0;
    for (const ListTextLine& line : parsed.words) {
        OwnListWord word{line.word, line.meaning, MeaningSource::Typed};
        if (word.ch.isEmpty()) {
            if (const std::optional<QString> meaning = lookup.Find(line.word)) {
                word = {line.word, *meaning, MeaningSource::Vocabulary};
                ++lookedUp;
            } else {
                word.source = MeaningSource::NotFound;
                withoutMeaning.append(line.word);
            }
        }
        words.append(word);
    }
    if (Result<void> saved = lists.Save(*request.list, words, request.force); !saved)
        return fail(saved.error());

    print(stdout, u"%1 words written to the list %2 in %3\n"_qs.arg(words.size()).arg(*request.list, OwnLists::DefaultPath()));
    print(stdout, u"%1 meanings looked up, %2 given, %3 without a meaning%4\n"_qs.arg(lookedUp)
                      .arg(words.size() - lookedUp - withoutMeaning.size())
                      .arg(withoutMeaning.size())
                      .arg(withoutMeaning.isEmpty() ? QString() : u": "_qs + withoutMeaning.join(u", ")));
    if (parsed.duplicatesMerged > 0)
        print(stdout, u"%1 duplicates merged\n"_qs.arg(parsed.duplicatesMerged));
    if (!parsed.ignoredLines.isEmpty())
        print(stdout, u"lines ignored, no English word: %1\n"_qs.arg(numbers(parsed.ignoredLines)));
    if (!parsed.tooLongLines.isEmpty())
        print(stdout, u"lines over 200 characters, not taken: %1\n"_qs.arg(numbers(parsed.tooLongLines)));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    FailWritesPastSizeLimit();
    // Ctrl+C and kill end the import between rows, so its temporary file is removed rather than
    // left beside the target.
    StopSignals::Install();
    QCoreApplication app(argc, argv);
    int exitCode = 0;
    const std::optional<ImportRequest> request = ParseArguments(QCoreApplication::arguments(), exitCode);
    if (!request)
        return exitCode;
    if (request->list)
        return importList(*request);
    const Result<qint64> rows = ImportVocabulary(request->source, request->target, request->force, request->password,
                                                 [] { return StopSignals::Received() != 0; });
    if (!rows) {
        std::fprintf(stderr, "lexovox-import: %s\n", rows.error().ErrorMessage().toLocal8Bit().constData());
        return rows.error().Error() == ResultCode::ImportInterrupted ? 128 + StopSignals::Received() : 1;
    }
    std::printf("%lld words written to %s\n", static_cast<long long>(*rows),
                request->target.toLocal8Bit().constData());
    return 0;
}
