#include "speech/platform/enginevoices.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>

#include "base/readfile.h"

namespace speech {
namespace {

// A voice's metadata is a few kilobytes; a larger file is not read.
constexpr qint64 kMaxMetadataBytes = 1 << 20;

bool IsVoiceName(const QString& name)
{
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.+-]*$"));
    return allowed.match(name).hasMatch();
}

// The paths matching `pattern` and the name each one gives "{name}".
void Match(const QString& folder, const QStringList& parts, qsizetype index, const QString& name,
           std::vector<std::pair<QString, QString>>& found)
{
    if (index == parts.size()) {
        found.emplace_back(folder, name);
        return;
    }
    const QString& part = parts[index];
    const QString base = folder.isEmpty() ? QStringLiteral("/") : folder + u'/';
    if (!part.contains(u'*') && !part.contains(u"{name}")) {
        if (QFileInfo::exists(base + part))
            Match(base + part, parts, index + 1, name, found);
        return;
    }
    QString expression = QRegularExpression::escape(part);
    expression.replace(QStringLiteral("\\*"), QStringLiteral("[^/]*"));
    expression.replace(QStringLiteral("\\{name\\}"), QStringLiteral("(?<name>[^/]+)"));
    const QRegularExpression matcher(u'^' + expression + u'$');
    const QStringList entries = QDir(base).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        const QRegularExpressionMatch m = matcher.match(entry);
        if (m.hasMatch())
            Match(base + entry, parts, index + 1, m.captured(u"name").isEmpty() ? name : m.captured(u"name"), found);
    }
}

QJsonValue At(const QJsonObject& root, const QString& dotted)
{
    QJsonValue value = root;
    for (const QString& key : dotted.split(u'.'))
        value = value.toObject().value(key);
    return value;
}

// "key=value" lines as a JSON object of strings; a "[section]" line makes its keys
// "section.key" (written as one dotted key, so At() finds it whole).
QJsonObject IniObject(const QByteArray& text)
{
    QJsonObject root;
    QString section;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.sliced(1).chopped(1).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (line.startsWith(u'#') || line.startsWith(u';') || equals <= 0)
            continue;
        const QString key = line.first(equals).trimmed();
        root.insert(section.isEmpty() ? key : section + u'.' + key, line.sliced(equals + 1).trimmed());
    }
    return root;
}

// Some engines name a voice's language in English words rather than by its code.
QString LanguageCode(const QString& language)
{
    if (language.compare(u"English", Qt::CaseInsensitive) == 0)
        return QStringLiteral("en");
    if (language.compare(u"Chinese", Qt::CaseInsensitive) == 0 || language.compare(u"Mandarin", Qt::CaseInsensitive) == 0)
        return QStringLiteral("zh");
    return language;
}

bool ReadMetadata(const EngineDescription& d, EngineVoice& voice)
{
    QString path = d.metadata;
    path.replace(QStringLiteral("{path}"), voice.path).replace(QStringLiteral("{name}"), voice.name);
    if (QFileInfo(path).size() > kMaxMetadataBytes)
        return false;
    const Result<QByteArray> text = ReadWholeFile(path);
    if (!text)
        return false;
    QJsonObject root;
    if (d.metadataIni) {
        root = IniObject(*text);
    } else {
        const QJsonDocument document = QJsonDocument::fromJson(*text);
        if (!document.isObject())
            return false;
        root = document.object();
    }
    const auto field = [&](const QString& key) { return d.metadataIni ? root.value(key) : At(root, key); };
    if (!d.metadataLanguage.isEmpty())
        voice.language = LanguageCode(field(d.metadataLanguage).toString());
    if (!d.metadataSampleRate.isEmpty()) {
        const QJsonValue value = field(d.metadataSampleRate);
        const int rate = value.isString() ? value.toString().toInt() : value.toInt();
        if (rate >= 1000 && rate <= 192000)
            voice.sampleRate = std::uint32_t(rate);
    }
    if (!d.metadataQuality.isEmpty())
        voice.quality = field(d.metadataQuality).toString();
    return !voice.language.isEmpty();
}

} // namespace

QString FindProgram(const QString& program)
{
    // A path is taken as it is (from the folder the program runs in); a bare name is looked
    // up on PATH.
    if (program.contains(u'/')) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? program : QString();
    }
    return QStandardPaths::findExecutable(program);
}

QString ExpandUserFolders(const QString& text)
{
    const QString home = QDir::homePath();
    const auto folder = [&](const char* name, const char* fallback) {
        const QString value = qEnvironmentVariable(name);
        return QDir::isAbsolutePath(value) ? value : home + QString::fromLatin1(fallback);
    };
    QString expanded = text;
    expanded.replace(QStringLiteral("$XDG_DATA_HOME"), folder("XDG_DATA_HOME", "/.local/share"));
    expanded.replace(QStringLiteral("$XDG_CONFIG_HOME"), folder("XDG_CONFIG_HOME", "/.config"));
    expanded.replace(QStringLiteral("$HOME"), home);
    return expanded;
}

std::vector<EngineVoice> FindEngineVoices(const EngineDescription& d)
{
    std::vector<EngineVoice> voices;
    if (d.voiceFiles.isEmpty()) {
        for (const QString& name : d.voiceList) {
            if (IsVoiceName(name))
                voices.push_back({name, {}, d.language, {}, std::uint32_t(d.sampleRate)});
        }
        return voices;
    }
    const QString pattern = ExpandUserFolders(d.voiceFiles);
    if (!pattern.startsWith(u'/'))
        return voices;
    std::vector<std::pair<QString, QString>> found;
    Match(QString(), pattern.split(u'/', Qt::SkipEmptyParts), 0, QString(), found);
    for (const auto& [path, name] : found) {
        EngineVoice voice{name, path, d.language, {}, std::uint32_t(d.sampleRate)};
        if (!IsVoiceName(name) || (!d.voiceList.isEmpty() && !d.voiceList.contains(name))
            || (!d.metadata.isEmpty() && !ReadMetadata(d, voice)))
            continue;
        voices.push_back(std::move(voice));
    }
    return voices;
}

bool IsEnglish(const QString& language)
{
    return language == u"en" || language.startsWith(u"en_") || language.startsWith(u"en-");
}

bool IsChinese(const QString& language)
{
    for (const char16_t* code : {u"zh", u"cmn"}) {
        const QString c = QString::fromUtf16(code);
        if (language == c || language.startsWith(c + u'_') || language.startsWith(c + u'-'))
            return true;
    }
    return false;
}

} // namespace speech
