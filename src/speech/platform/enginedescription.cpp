#include "speech/platform/enginedescription.h"

#include <map>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "base/readfile.h"

namespace speech {
namespace {

constexpr char16_t kSuffix[] = u".engine";
// Descriptions are a few lines; anything larger is not one.
constexpr qint64 kMaxDescriptionBytes = 64 * 1024;
constexpr int kMaxTimeoutSeconds = 600;

struct Reader
{
    EngineDescription& d;
    EngineProblem& problem;
    int line = 0;

    bool Fail(const QString& message)
    {
        problem.line = line;
        problem.message = message;
        return false;
    }

    bool Words(const QString& value, QStringList& words)
    {
        return SplitArguments(value, words) || Fail(QStringLiteral("unclosed quote"));
    }

    bool Number(const QString& value, int low, int high, int& number)
    {
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < low || n > high)
            return Fail(QStringLiteral("\"%1\" is not a whole number from %2 to %3").arg(value).arg(low).arg(high));
        number = n;
        return true;
    }

    bool Take(const QString& section, const QString& key, const QString& value)
    {
        const QString at = section + u'.' + key;
        if (at == u"engine.name")
            d.title = value;
        else if (at == u"engine.program")
            d.program = value;
        else if (at == u"engine.id") {
            static const QRegularExpression plain(QStringLiteral("^[a-z0-9][a-z0-9_-]*$"));
            if (!plain.match(value).hasMatch())
                return Fail(QStringLiteral("an id is small letters, digits, \"-\" and \"_\": %1").arg(value));
            d.id = value;
        } else if (at == u"engine.probe")
            return Words(value, d.probeArguments);
        else if (at == u"engine.probe-says")
            d.probeSays = value;
        else if (at == u"voices.files")
            d.voiceFiles = value;
        else if (at == u"voices.list")
            return Words(value, d.voiceList);
        else if (at == u"voices.metadata")
            d.metadata = value;
        else if (at == u"voices.metadata-format") {
            if (value != u"json" && value != u"ini")
                return Fail(QStringLiteral("metadata-format is json or ini, not \"%1\"").arg(value));
            d.metadataIni = value == u"ini";
        } else if (at == u"voices.metadata-language")
            d.metadataLanguage = value;
        else if (at == u"voices.metadata-sample-rate")
            d.metadataSampleRate = value;
        else if (at == u"voices.metadata-quality")
            d.metadataQuality = value;
        else if (at == u"voices.language")
            d.language = value;
        else if (at == u"voices.sample-rate")
            return Number(value, 1000, 192000, d.sampleRate);
        else if (at == u"speak.arguments")
            return Words(value, d.arguments);
        else if (at == u"speak.rate")
            return Words(value, d.rateArguments);
        else if (at == u"speak.timeout") {
            int seconds = 0;
            if (!Number(value, 1, kMaxTimeoutSeconds, seconds))
                return false;
            d.timeoutMs = seconds * 1000;
        } else if (at == u"long-lived.arguments")
            return Words(value, d.serveArguments);
        else if (at == u"long-lived.program")
            d.serveProgram = value;
        else if (at == u"long-lived.http-post")
            return Words(value, d.httpPaths);
        else if (at == u"long-lived.start")
            d.serveStart = value;
        else if (at == u"long-lived.rate")
            d.serveRate = value;
        else if (at == u"long-lived.request")
            d.serveRequest = value;
        else if (at == u"long-lived.done")
            d.serveDone = value;
        else if (at == u"long-lived.failed")
            d.serveFailed = value;
        else if (at == u"long-lived.http-body") {
            if (value != u"json" && value != u"text")
                return Fail(QStringLiteral("http-body is json or text, not \"%1\"").arg(value));
            d.httpText = value == u"text";
        }
        else
            return Fail(QStringLiteral("unknown key \"%1\" in [%2]").arg(key, section));
        return true;
    }

    bool Complete()
    {
        line = 0;
        if (d.program.isEmpty())
            return Fail(QStringLiteral("no program in [engine]"));
        if (d.voiceFiles.isEmpty() && d.voiceList.isEmpty())
            return Fail(QStringLiteral("[voices] needs files or a list"));
        if (d.probeArguments.isEmpty() != d.probeSays.isEmpty())
            return Fail(QStringLiteral("[engine] takes probe and probe-says together"));
        if (d.language.isEmpty() && (d.metadata.isEmpty() || d.metadataLanguage.isEmpty()))
            return Fail(QStringLiteral("[voices] needs a language, or metadata and metadata-language"));
        if (d.arguments.isEmpty() && d.serveArguments.isEmpty())
            return Fail(QStringLiteral("no arguments in [speak] or [long-lived]"));
        if (d.arguments.contains(u"{text}") && d.arguments.contains(u"{textfile}"))
            return Fail(QStringLiteral("[speak] takes the text once: {text} or {textfile}"));
        if (!d.arguments.isEmpty() && !d.arguments.join(u' ').contains(u"{out}"))
            return Fail(QStringLiteral("[speak] arguments without {out}"));
        if (d.serveArguments.join(u' ').contains(u"{port}") != !d.httpPaths.isEmpty())
            return Fail(QStringLiteral("[long-lived] takes http-post and a {port} in its arguments together"));
        if (d.serveRequest.isEmpty() != d.serveDone.isEmpty())
            return Fail(QStringLiteral("[long-lived] takes request and done together"));
        if (!d.serveRequest.isEmpty() && !d.httpPaths.isEmpty())
            return Fail(QStringLiteral("[long-lived] is asked by http-post or by request, not both"));
        if (!d.serveRequest.isEmpty() && !d.serveRequest.contains(u"{out}"))
            return Fail(QStringLiteral("[long-lived] request without {out}"));
        if (std::any_of(d.httpPaths.begin(), d.httpPaths.end(), [](const QString& p) { return !p.startsWith(u'/'); }))
            return Fail(QStringLiteral("[long-lived] http-post paths begin with /"));
        return true;
    }
};

} // namespace

QString EngineProblem::Text() const
{
    return line > 0 ? QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(message)
                    : QStringLiteral("%1: %2").arg(file, message);
}

bool SplitArguments(const QString& text, QStringList& words)
{
    words.clear();
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'\\' && i + 1 < text.size() && (text[i + 1] == u'"' || text[i + 1] == u'\\'))
                word += text[++i];
            else if (c == u'"')
                quoted = false;
            else
                word += c;
        } else if (c == u'"') {
            quoted = inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return !quoted;
}

bool ParseEngineDescription(const QByteArray& text, const QString& file, EngineDescription& description,
                            EngineProblem& problem)
{
    description = {};
    description.file = file;
    description.id = QFileInfo(file).fileName().chopped(qsizetype(std::size(kSuffix)) - 1);
    description.title = description.id;
    problem = {file, 0, {}};
    Reader reader{description, problem};
    QString section;
    for (const QByteArray& raw : text.split('\n')) {
        ++reader.line;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            section = line.sliced(1).chopped(1);
            if (!line.endsWith(u']') || !QStringList{u"engine"_qs, u"voices"_qs, u"speak"_qs, u"long-lived"_qs}.contains(section))
                return reader.Fail(QStringLiteral("unknown section %1").arg(line));
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            return reader.Fail(QStringLiteral("not \"key = value\": %1").arg(line));
        if (section.isEmpty())
            return reader.Fail(QStringLiteral("a key before the first [section]"));
        if (!reader.Take(section, line.first(equals).trimmed(), line.sliced(equals + 1).trimmed()))
            return false;
    }
    return reader.Complete();
}

std::vector<EngineDescription> ReadEngineDescriptions(const QStringList& folders, std::vector<EngineProblem>& problems)
{
    std::map<QString, QString> byName;  // file name → path; later folders win
    for (const QString& folder : folders) {
        const QFileInfoList files =
            QDir(folder).entryInfoList({QStringLiteral("*.engine")}, QDir::Files | QDir::Readable, QDir::Name);
        for (const QFileInfo& file : files)
            byName[file.fileName()] = file.filePath();
    }
    std::vector<EngineDescription> descriptions;
    for (const auto& [name, path] : byName) {
        EngineDescription description;
        EngineProblem problem{path, 0, {}};
        if (QFileInfo(path).size() > kMaxDescriptionBytes) {
            problem.message = QStringLiteral("too large for an engine description");
            problems.push_back(problem);
            continue;
        }
        const Result<QByteArray> text = ReadWholeFile(path);
        if (!text) {
            problem.message = text.error().ErrorMessage();
            problems.push_back(problem);
        } else if (ParseEngineDescription(*text, path, description, problem)) {
            descriptions.push_back(std::move(description));
        } else {
            problems.push_back(problem);
        }
    }
    return descriptions;
}

QStringList EngineDescriptionFolders()
{
    QStringList folders;
    if (QCoreApplication::instance()) {
        // bin/ (installed and in the build) or libexec/lexovox/ (the worker).
        const QDir programs(QCoreApplication::applicationDirPath());
        for (const char16_t* relative : {u"../share/lexovox/engines", u"../../share/lexovox/engines"}) {
            const QString path = QDir::cleanPath(programs.absoluteFilePath(QString::fromUtf16(relative)));
            if (QFileInfo(path).isDir()) {
                folders << path;
                break;
            }
        }
    }
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    folders << config + QStringLiteral("/lexovox/engines");
    return folders;
}

} // namespace speech
