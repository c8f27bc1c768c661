// lexovox-import: turns a word list (CSV with en, ch, subclass) or an old Jet 4 vocabulary into
// the vocabulary file the program reads.

#include <cstdio>
#include <optional>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include "base/comerror.h"
#include "base/stopsignals.h"
#include "vocab/vocabimporter.h"

namespace {

constexpr char kUsage[] =
    "usage: lexovox-import [--force] [--password=TEXT] SOURCE code.dll\n"
    "  SOURCE           a UTF-8 CSV whose first line names the columns en,ch,subclass,\n"
    "                   or an old Access (Jet 4) vocabulary with table word\n"
    "  --force          replace an existing vocabulary file\n"
    "  --password=TEXT  the Access file's password, if not the program's own\n"
    "  -h, --help       show this text\n";

struct ImportRequest
{
    QString source;
    QString target;
    bool force = false;
    QString password;
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
    parser.addOptions({help, force, password});
    parser.addPositionalArgument(QStringLiteral("SOURCE"), QStringLiteral("A CSV word list or a Jet 4 vocabulary."));
    parser.addPositionalArgument(QStringLiteral("code.dll"), QStringLiteral("The vocabulary file to write."));

    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(help)) {
        std::fputs(kUsage, stdout);
        exitCode = 0;
        return std::nullopt;
    }
    const QStringList files = parser.positionalArguments();
    if (!parsed || files.size() != 2) {
        if (!parsed)
            std::fprintf(stderr, "lexovox-import: %s\n", parser.errorText().toLocal8Bit().constData());
        std::fputs(kUsage, stderr);
        exitCode = 2;
        return std::nullopt;
    }
    return ImportRequest{files[0], files[1], parser.isSet(force),
                         parser.isSet(password) ? parser.value(password) : ProgramDatabasePassword()};
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
