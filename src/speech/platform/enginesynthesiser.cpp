#include "speech/platform/enginesynthesiser.h"

#include <thread>

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>
#include <QTemporaryDir>
#include <QtDebug>

#include "base/processstamp.h"
#include "speech/platform/childprocess.h"
#include "speech/platform/enginesound.h"
#include "speech/platform/loopbackhttp.h"
#include "speech/platform/soundconverter.h"

namespace speech {
namespace {

constexpr char kPrefix[] = "engine:";
constexpr std::uint32_t kUsualRate = 22050;
// eSpeak NG's usual speed; a rate in words a minute is a share of it.
constexpr int kUsualWordsPerMinute = 175;
// Asking a program which build it is takes a moment; one that does not answer is not used.
constexpr int kProbeTimeoutMs = 10000;

std::mutex g_failureMutex;
QString g_failure;

// "{name}" placeholders replaced in one pass, so a text holding "{out}" stays as it is.
QString Fill(const QString& word, const std::map<QString, QString>& values)
{
    QString filled;
    qsizetype at = 0;
    while (at < word.size()) {
        const qsizetype open = word.indexOf(u'{', at);
        const qsizetype close = open < 0 ? -1 : word.indexOf(u'}', open);
        if (close < 0)
            break;
        const auto value = values.find(word.sliced(open + 1, close - open - 1));
        filled += word.sliced(at, open - at);
        filled += value != values.end() ? value->second : word.sliced(open, close - open + 1);
        at = close + 1;
    }
    return filled + word.sliced(std::min(at, word.size()));
}

// Flite's rule serves here too: a capital standing alone is said by its name.
QString SpelledText(const QString& text)
{
    QStringList letters;
    for (const char32_t c : text.toUcs4())
        letters << QString::fromUcs4(&c, 1).toUpper();
    return letters.join(u' ');
}

// The text as a program is given it: a word of punctuation alone joins the word before it, as
// Festival's text2wave dies of one (seen: "abandon; ;" and " ;" crash it, "abandon;;" does not).
QString EngineText(const QString& text)
{
    static const QRegularExpression lonePunctuation(QStringLiteral("(?<=\\S)\\s+(?=[\\p{P}]+(\\s|$))"));
    return QString(text).replace(lonePunctuation, QString());
}

// Whether `text` has anything to say: a letter or a digit.
bool Says(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

// A string as a command language reads it: in double quotes, with \ and " escaped.
QString DoubleQuoted(const QString& text)
{
    return u'"' + QString(text).replace(u'\\', u"\\\\"_qs).replace(u'"', u"\\\""_qs) + u'"';
}

QString Quoted(const QString& word)
{
    static const QString plain = QStringLiteral("-_./:=,+@%");
    const bool safe = !word.isEmpty() && std::all_of(word.begin(), word.end(), [](QChar c) {
        return c.isLetterOrNumber() || plain.contains(c) || c == u'{' || c == u'}';
    });
    return safe ? word : u'\'' + QString(word).replace(u"'"_qs, u"'\\''"_qs) + u'\'';
}

} // namespace

struct EngineSynthesiser::Found
{
    const InstalledEngine* engine = nullptr;
    const EngineVoice* voice = nullptr;
};

// The long-lived process of one voice at one rate.
struct EngineSynthesiser::Serving
{
    QByteArray voice;
    int ratePercent = 100;
    ChildProcess process;
    quint16 port = 0;    // where it serves HTTP
    qsizetype path = 0;  // the first of the description's paths it has not refused
};

namespace {

// True when the program, run with the description's probe, says what the description expects.
bool IsThisBuild(const QString& program, const EngineDescription& d)
{
    if (d.probeArguments.isEmpty())
        return true;
    ChildProcess process;
    if (!process.Start(program, d.probeArguments, {}, false))
        return false;
    int status = -1;
    if (process.WaitForExit(ChildProcess::Clock::now() + std::chrono::milliseconds(kProbeTimeoutMs), status)
        == ChildProcess::Outcome::TimedOut)
        return false;
    return QString::fromUtf8(process.OutputAndErrors()).contains(d.probeSays);
}

// The interpreter a script's first line names ("#!/usr/bin/python3", "#!/usr/bin/env python3"):
// the one its package was installed for. Empty for a program that is not such a script.
QString ScriptInterpreter(const QString& program)
{
    QFile file(program);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray first = file.readLine(1024);
    if (!first.startsWith("#!"))
        return {};
    QStringList words = QString::fromUtf8(first.sliced(2)).simplified().split(u' ', Qt::SkipEmptyParts);
    if (!words.isEmpty() && QFileInfo(words.first()).fileName() == u"env") {
        words.removeFirst();
        while (!words.isEmpty() && (words.first().startsWith(u'-') || words.first().contains(u'=')))
            words.removeFirst();
        return words.isEmpty() ? QString() : FindProgram(words.first());
    }
    return words.isEmpty() ? QString() : words.first();
}

// The program of an engine's long-lived process as its description names it: the engine's own,
// the interpreter its script names ("{interpreter}"), or another, as written.
QString ServeProgram(const InstalledEngine& engine)
{
    const QString& named = engine.description.serveProgram;
    if (named.isEmpty())
        return engine.program;
    return named == u"{interpreter}" ? ScriptInterpreter(engine.program) : named;
}

} // namespace

std::vector<InstalledEngine> FindInstalledEngines(const QStringList& folders, std::vector<EngineProblem>& problems)
{
    std::vector<InstalledEngine> engines;
    for (EngineDescription& description : ReadEngineDescriptions(folders, problems)) {
        InstalledEngine engine;
        engine.program = FindProgram(description.program);
        if (engine.program.isEmpty())
            continue;
        // Two descriptions of one id are two builds of a program: the first that applies counts.
        if (std::any_of(engines.begin(), engines.end(), [&](const InstalledEngine& e) { return e.description.id == description.id; }))
            continue;
        engine.voices = FindEngineVoices(description);
        std::erase_if(engine.voices, [](const EngineVoice& v) { return !IsEnglish(v.language) && !IsChinese(v.language); });
        // The program is run to ask which build it is only once it has voices to speak with.
        if (engine.voices.empty() || !IsThisBuild(engine.program, description))
            continue;
        engine.description = std::move(description);
        engines.push_back(std::move(engine));
    }
    return engines;
}

EngineSynthesiser::EngineSynthesiser(std::vector<InstalledEngine> engines)
    : m_engines(std::move(engines))
{
}

EngineSynthesiser::~EngineSynthesiser() = default;

bool EngineSynthesiser::IsEngineVoice(const QByteArray& voice)
{
    return voice.startsWith(kPrefix);
}

QByteArray EngineSynthesiser::VoiceIdentifier(const InstalledEngine& engine, const EngineVoice& voice)
{
    return kPrefix + engine.description.id.toUtf8() + '/' + voice.name.toUtf8();
}

QString EngineSynthesiser::TakeFailure()
{
    std::lock_guard lock(g_failureMutex);
    return std::exchange(g_failure, QString());
}

EngineSynthesiser::Found EngineSynthesiser::Find(const QByteArray& voice) const
{
    for (const InstalledEngine& engine : m_engines) {
        for (const EngineVoice& v : engine.voices) {
            if (VoiceIdentifier(engine, v) == voice)
                return {&engine, &v};
        }
    }
    return {};
}

std::uint32_t EngineSynthesiser::SampleRate() const
{
    return kUsualRate;
}

std::uint32_t EngineSynthesiser::SampleRateOf(const QByteArray& voice) const
{
    const Found found = Find(voice);
    return found.voice && found.voice->sampleRate > 0 ? found.voice->sampleRate : kUsualRate;
}

std::vector<SynthesiserVoice> EngineSynthesiser::Voices() const
{
    std::vector<SynthesiserVoice> voices;
    for (const InstalledEngine& engine : m_engines) {
        const QString& title = engine.description.title;
        for (const EngineVoice& v : engine.voices) {
            const bool english = IsEnglish(v.language);
            QString details = english ? QStringLiteral("English") : QStringLiteral("Chinese");
            if (!v.quality.isEmpty())
                details += QStringLiteral(", %1 quality").arg(v.quality);
            SynthesiserVoice voice{v.name.toUtf8(), VoiceIdentifier(engine, v), v.language.toUtf8()};
            voice.english = QStringLiteral("%1 %2 (%3)").arg(title, v.name, details);
            voice.chinese = QStringLiteral("%1 语音 %2（%3）").arg(title, v.name, english ? u"英语"_qs : u"汉语"_qs);
            voice.vendor = title;
            voices.push_back(std::move(voice));
        }
    }
    return voices;
}

QString EngineSynthesiser::NewFile(const char* kind)
{
    if (!m_files || !m_files->isValid())
        m_files = NewOwnedTemporaryFolder(QStringLiteral("lexovox-engine-"));  // a killed worker's go next time
    return m_files->filePath(QStringLiteral("%1-%2").arg(QString::fromLatin1(kind)).arg(++m_fileCount));
}

HRESULT EngineSynthesiser::Fail(const Found& found, const QString& why)
{
    std::lock_guard lock(g_failureMutex);
    g_failure = QStringLiteral("%1 %2: %3").arg(found.engine->description.title, found.voice->name, why);
    return SPERR_ENGINE_PROGRAM;
}

namespace {

std::map<QString, QString> Values(const InstalledEngine& engine, const EngineVoice& voice, int ratePercent)
{
    const double stretch = 100.0 / std::max(ratePercent, 1);
    return {{u"voice"_qs, voice.name}, {u"path"_qs, voice.path}, {u"parent"_qs, QFileInfo(voice.path).dir().dirName()},
            {u"stretch"_qs, QString::number(stretch, 'g', 3)},
            {u"percent"_qs, QString::number(ratePercent)},
            {u"wpm"_qs, QString::number((kUsualWordsPerMinute * ratePercent + 50) / 100)}, {u"program"_qs, engine.program}};
}

// The words of `pattern` filled in; "{rate}" standing alone becomes the rate's words, or none
// at the usual rate.
QStringList Expand(const QStringList& pattern, const InstalledEngine& engine, const std::map<QString, QString>& values,
                   int ratePercent)
{
    QStringList words;
    for (const QString& word : pattern) {
        if (word == u"{rate}") {
            if (ratePercent != 100) {
                for (const QString& rate : engine.description.rateArguments)
                    words << Fill(rate, values);
            }
            continue;
        }
        words << Fill(word, values);
    }
    return words;
}

} // namespace

HRESULT EngineSynthesiser::RunOnce(const Found& found, const SpeechStep& step, const QString& text, const QString& out)
{
    const EngineDescription& d = found.engine->description;
    std::map<QString, QString> values = Values(*found.engine, *found.voice, step.ratePercent);
    values[u"out"_qs] = out;
    values[u"text"_qs] = text;
    QByteArray input;
    if (d.arguments.contains(u"{textfile}")) {
        values[u"textfile"_qs] = NewFile("text");
        QFile file(values[u"textfile"_qs]);
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8() + '\n') < 0)
            return Fail(found, QStringLiteral("its text file could not be written"));
    } else if (!d.arguments.contains(u"{text}")) {
        input = text.toUtf8() + '\n';  // on its standard input, where nothing reads as an option
    }
    ChildProcess process;
    if (!process.Start(found.engine->program, Expand(d.arguments, *found.engine, values, step.ratePercent), input, false))
        return Fail(found, QStringLiteral("%1 could not be started").arg(found.engine->program));
    int status = -1;
    const auto deadline = ChildProcess::Clock::now() + std::chrono::milliseconds(d.timeoutMs);
    const ChildProcess::Outcome outcome = process.WaitForExit(deadline, status);
    if (values.contains(u"textfile"_qs))
        QFile::remove(values[u"textfile"_qs]);
    if (outcome == ChildProcess::Outcome::TimedOut)
        return Fail(found, QStringLiteral("no answer within %1 s, stopped").arg(d.timeoutMs / 1000));
    if (status != 0) {
        const QString said = process.LastErrorLine();
        return Fail(found, said.isEmpty() ? QStringLiteral("it ended with status %1").arg(status) : said);
    }
    return S_OK;
}

QString EngineSynthesiser::StartServing(const Found& found, const SpeechStep& step)
{
    const EngineDescription& d = found.engine->description;
    m_serving = std::make_unique<Serving>();
    m_serving->voice = step.voice;
    m_serving->ratePercent = step.ratePercent;
    std::map<QString, QString> values = Values(*found.engine, *found.voice, step.ratePercent);
    const bool http = !d.httpPaths.isEmpty();
    if (http) {
        m_serving->port = FreeLoopbackPort();
        if (m_serving->port == 0)
            return QStringLiteral("no free port on 127.0.0.1");
        values[u"port"_qs] = QString::number(m_serving->port);
    }
    const QString program = FindProgram(ServeProgram(*found.engine));
    if (program.isEmpty())
        return QStringLiteral("%1 is not there").arg(d.serveProgram == u"{interpreter}" ? u"the interpreter of "_qs + found.engine->program : d.serveProgram);
    ChildProcess& process = m_serving->process;
    values[u"rate"_qs] = step.ratePercent != 100 ? Fill(d.serveRate, values) : QString();
    const QByteArray start = d.serveStart.isEmpty() ? QByteArray() : Fill(d.serveStart, values).toUtf8() + '\n';
    if (!process.Start(program, Expand(d.serveArguments, *found.engine, values, step.ratePercent), start, !http))
        return QStringLiteral("%1 could not be started").arg(program);
    if (!http)
        return {};
    // A server loads its voice before it listens: wait for it as long as a text may take.
    const auto deadline = ChildProcess::Clock::now() + std::chrono::milliseconds(d.timeoutMs);
    while (!LoopbackListens(m_serving->port)) {
        if (!process.Poll()) {
            const QString said = process.LastErrorLine();
            return said.isEmpty() ? QStringLiteral("its server ended before it listened") : said;
        }
        if (ChildProcess::Clock::now() > deadline) {
            process.Kill();
            return QStringLiteral("its server did not listen within %1 s").arg(d.timeoutMs / 1000);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}

HRESULT EngineSynthesiser::AskServing(const Found& found, const QString& text, const QString& out, bool& ended)
{
    const EngineDescription& d = found.engine->description;
    ChildProcess& process = m_serving->process;
    const auto deadline = ChildProcess::Clock::now() + std::chrono::milliseconds(d.timeoutMs);
    ended = false;
    if (!d.serveRequest.isEmpty()) {
        std::map<QString, QString> values = Values(*found.engine, *found.voice, m_serving->ratePercent);
        values[u"text"_qs] = DoubleQuoted(text);
        values[u"out"_qs] = DoubleQuoted(out);
        process.Write(Fill(d.serveRequest, values).toUtf8() + '\n');
        const QByteArray done = d.serveDone.toUtf8();
        const QByteArray failed = d.serveFailed.toUtf8();
        QByteArray said;
        switch (process.WaitForErrorLine(deadline, failed.isEmpty() ? QList{done} : QList{done, failed}, said)) {
        case ChildProcess::Outcome::Done:
            if (said == done)
                return S_OK;
            return Fail(found, process.LastErrorLine(failed));
        case ChildProcess::Outcome::TimedOut:
            return Fail(found, QStringLiteral("no answer within %1 s, stopped").arg(d.timeoutMs / 1000));
        case ChildProcess::Outcome::Ended:
            ended = true;
            return SPERR_ENGINE_PROGRAM;
        }
    }
    if (d.httpPaths.isEmpty()) {
        process.Write(QJsonDocument(QJsonObject{{u"text"_qs, text}, {u"output_file"_qs, out}}).toJson(QJsonDocument::Compact) + '\n');
        QByteArray line;
        switch (process.ReadLine(deadline, line)) {
        case ChildProcess::Outcome::Done:
            return S_OK;  // it names the file it wrote: the one asked for
        case ChildProcess::Outcome::TimedOut:
            return Fail(found, QStringLiteral("no answer within %1 s, stopped").arg(d.timeoutMs / 1000));
        case ChildProcess::Outcome::Ended:
            ended = true;
            return SPERR_ENGINE_PROGRAM;
        }
    }
    const QByteArray body = d.httpText ? text.toUtf8() : QJsonDocument(QJsonObject{{u"text"_qs, text}}).toJson(QJsonDocument::Compact);
    const QByteArray type = d.httpText ? "text/plain; charset=utf-8" : "application/json";
    for (;;) {
        process.Poll();  // its log read, so it never waits on a full pipe
        const QString where = Fill(d.httpPaths[m_serving->path], Values(*found.engine, *found.voice, m_serving->ratePercent));
        const HttpAnswer answer = PostToLoopback(m_serving->port, QUrl::toPercentEncoding(where, "/?&=:"), type, body, deadline,
                                                 kMaxEngineFileBytes);
        // Servers of different versions answer on different paths: a refused one is not asked again.
        if (answer.status == 404 && m_serving->path + 1 < d.httpPaths.size()) {
            ++m_serving->path;
            continue;
        }
        if (answer.status == 200) {
            QFile file(out);
            if (!file.open(QIODevice::WriteOnly) || file.write(answer.body) != answer.body.size())
                return Fail(found, QStringLiteral("its sound could not be kept in %1").arg(out));
            return S_OK;
        }
        // A server that dies on a text closes its connection a moment before it is seen to end.
        const auto seen = std::min(deadline, ChildProcess::Clock::now() + std::chrono::seconds(1));
        while (answer.status == 0 && process.Poll() && ChildProcess::Clock::now() < seen)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!process.Poll()) {
            ended = true;
            return SPERR_ENGINE_PROGRAM;
        }
        if (answer.status == 0) {
            if (ChildProcess::Clock::now() >= deadline) {
                process.Kill();
                return Fail(found, QStringLiteral("no answer within %1 s, stopped").arg(d.timeoutMs / 1000));
            }
            return Fail(found, answer.error);
        }
        const QList<QByteArray> lines = answer.body.trimmed().split('\n');
        const QString said = QString::fromUtf8(lines.last().trimmed()).left(300);
        return Fail(found, QStringLiteral("its server answered %1%2").arg(answer.status).arg(said.isEmpty() ? QString() : u": "_qs + said));
    }
}

HRESULT EngineSynthesiser::RunServing(const Found& found, const SpeechStep& step, const QString& text, const QString& out)
{
    // A process that died since the last text, or dies on this one, is started again once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!m_serving || m_serving->voice != step.voice || m_serving->ratePercent != step.ratePercent
            || !m_serving->process.Poll()) {
            if (const QString why = StartServing(found, step); !why.isEmpty()) {
                m_serving.reset();
                return ServingFailed(found, step, text, out, why);
            }
        }
        bool ended = false;
        const HRESULT hr = AskServing(found, text, out, ended);
        if (!ended)
            return hr;
        if (attempt == 1) {
            const QString said = m_serving->process.LastErrorLine();
            return Fail(found, said.isEmpty() ? QStringLiteral("it ended twice") : said);
        }
    }
    return Fail(found, QStringLiteral("it ended twice"));
}

HRESULT EngineSynthesiser::ServingFailed(const Found& found, const SpeechStep& step, const QString& text, const QString& out,
                                         const QString& why)
{
    const EngineDescription& d = found.engine->description;
    if (d.arguments.isEmpty())
        return Fail(found, why);
    // A server that cannot start (a part of its package missing, say) leaves one process a text.
    qWarning().noquote() << QStringLiteral("%1: its server could not be started (%2); one process a text instead").arg(d.title, why);
    m_perText.push_back(d.id);
    return RunOnce(found, step, text, out);
}

HRESULT EngineSynthesiser::Speak(const SpeechStep& step, SoundReceiver& receiver)
{
    std::lock_guard lock(m_mutex);
    const Found found = Find(step.voice);
    if (!found.engine)
        return SPERR_NOT_FOUND;
    const EngineDescription& d = found.engine->description;
    if (const QString notice = RateNotice(step.voice, step.ratePercent);
        !notice.isEmpty() && std::find(m_rateWarned.begin(), m_rateWarned.end(), d.id) == m_rateWarned.end()) {
        m_rateWarned.push_back(d.id);
        qWarning().noquote() << notice;
    }
    const QString text = EngineText(step.spell ? SpelledText(step.text) : step.text);
    if (!Says(text))
        return S_OK;  // punctuation alone is a pause, which the plan makes itself
    const QString out = NewFile("sound") + QStringLiteral(".wav");
    const bool perText = d.serveArguments.isEmpty() || std::find(m_perText.begin(), m_perText.end(), d.id) != m_perText.end();
    const HRESULT hr = perText ? RunOnce(found, step, text, out) : RunServing(found, step, text, out);
    EngineSound sound;
    QString why;
    const bool read = Succeeded(hr) && ReadEngineSound(out, sound, why);
    QFile::remove(out);
    if (Failed(hr))
        return hr;
    if (!read)
        return Fail(found, why);

    const std::uint32_t rate = SampleRateOf(step.voice);
    std::span<const std::int16_t> samples(sound.samples);
    SoundConverter converter;
    std::vector<std::int16_t> converted;
    if (sound.rate != rate) {
        if (Failed(converter.Reset(sound.rate, WaveFormat::Pcm(rate, 16, 1))))
            return Fail(found, QStringLiteral("its sound at %1 Hz could not be converted").arg(sound.rate));
        const std::span<const std::int16_t> body = converter.Convert(samples);
        converted.assign(body.begin(), body.end());
        const std::span<const std::int16_t> tail = converter.Flush();
        converted.insert(converted.end(), tail.begin(), tail.end());
        samples = converted;
    }
    static constexpr SynthesisEvent kFirst[] = {SynthesisEvent::Word, SynthesisEvent::Phoneme};
    receiver.Receive(samples, kFirst);
    return S_OK;
}

QString EngineSynthesiser::RateNotice(const QByteArray& voice, int ratePercent, bool chinese) const
{
    const Found found = Find(voice);
    if (!found.engine || ratePercent == 100 || !found.engine->description.rateArguments.isEmpty())
        return {};
    if (chinese)
        return QStringLiteral("%1 的语音不能调语速，按它自己的语速朗读").arg(found.engine->description.title);
    return QStringLiteral("%1: speaking rate not available, its voices keep their own").arg(found.engine->description.title);
}

QString EngineSynthesiser::CommandLine(const SpeechStep& step) const
{
    const Found found = Find(step.voice);
    if (!found.engine)
        return {};
    const EngineDescription& d = found.engine->description;
    const QString text = EngineText(step.spell ? SpelledText(step.text) : step.text);
    std::map<QString, QString> values = Values(*found.engine, *found.voice, step.ratePercent);
    values[u"text"_qs] = text;
    const bool serving = !d.serveArguments.isEmpty();
    QStringList words{serving ? ServeProgram(*found.engine) : found.engine->program};
    words += Expand(serving ? d.serveArguments : d.arguments, *found.engine, values, step.ratePercent);
    QStringList quoted;
    for (const QString& word : words)
        quoted << Quoted(word);
    QString line = quoted.join(u' ');
    if (serving && !d.httpPaths.isEmpty()) {
        const QString body = d.httpText ? text : QString::fromUtf8(QJsonDocument(QJsonObject{{u"text"_qs, text}}).toJson(QJsonDocument::Compact));
        line += QStringLiteral(" ; POST http://127.0.0.1:{port}%1 ").arg(Fill(d.httpPaths.first(), values)) + Quoted(body);
    } else if (serving && !d.serveRequest.isEmpty()) {
        values[u"text"_qs] = DoubleQuoted(text);
        values[u"out"_qs] = u"{out}"_qs;
        line += QStringLiteral(" <<< ") + Quoted(Fill(d.serveRequest, values));
    } else if (serving)
        line += QStringLiteral(" <<< ") + QString::fromUtf8(QJsonDocument(QJsonObject{{u"text"_qs, text}, {u"output_file"_qs, u"{out}"_qs}}).toJson(QJsonDocument::Compact));
    else if (!d.arguments.contains(u"{text}") && !d.arguments.contains(u"{textfile}"))
        line += QStringLiteral(" <<< ") + Quoted(text);
    return line;
}

} // namespace speech
