// Times a text spoken by a speech program outside the process, per text, each way side by side in
// one run (not a test; run it by hand):
//   1. the Piper stand-ins (tests/speech/engines/fake-piper, fake-piper-python) with a model load
//      of --load-ms: a process per text against one long-lived process taking JSON lines, and the
//      Python package's a process per text against its HTTP server (the load counted once a
//      round, as a run of N texts pays it);
//   2. the real Festival: through the program (one festival kept for the voice, as the shipped
//      description runs it), bare text2wave per text (the command for one text, without the
//      program), and festival's own loop over the same texts in one process; festival started
//      with its voice and nothing spoken, to say what its start costs.
// Each round runs every variant over the same N texts, in an order that turns each round; the
// median over the rounds is reported, with the lowest and highest.
// Usage: bench_engines [--rounds R] [--texts N] [--load-ms MS]   (defaults 5, 20, 300)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "speech/platform/enginedescription.h"
#include "speech/platform/enginesynthesiser.h"

using namespace speech;

namespace {

using Clock = std::chrono::steady_clock;

struct Discard final : SoundReceiver
{
    std::size_t samples = 0;
    bool Receive(std::span<const std::int16_t> s, std::span<const SynthesisEvent>) override
    {
        samples += s.size();
        return true;
    }
};

struct Variant
{
    const char* label;
    std::function<bool()> run;  // the N texts once; false when a text failed
    std::vector<double> msPerText;
};

bool Write(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

QStringList SampleWords(int count)
{
    QFile file(QStringLiteral(LEXOVOX_SOURCE_DIR "/data/sample_words.csv"));
    QStringList words;
    if (!file.open(QIODevice::ReadOnly))
        return words;
    file.readLine();  // the header
    while (!file.atEnd() && words.size() < count)
        words << QString::fromUtf8(file.readLine()).section(u',', 0, 0).trimmed();
    return words;
}

QByteArray StandInDescription(bool longLived)
{
    QByteArray text = "[engine]\nname = Piper stand-in\nprogram = " LEXOVOX_SOURCE_DIR "/tests/speech/engines/fake-piper\n"
                      "[voices]\nfiles = $XDG_DATA_HOME/lexovox/voices/{name}.onnx\nmetadata = {path}.json\n"
                      "metadata-language = language.code\nmetadata-sample-rate = audio.sample_rate\n"
                      "[speak]\narguments = --model {path} --output_file {out} {rate}\nrate = --length_scale {stretch}\n";
    if (longLived)
        text += "[long-lived]\narguments = --model {path} --json-input {rate}\n";
    return text;
}

// Every text through a fresh synthesiser, so a long-lived process starts (and loads) once a round.
bool SpeakAll(const std::vector<InstalledEngine>& engines, const QByteArray& voice, const QStringList& texts)
{
    EngineSynthesiser synthesiser(engines);
    for (const QString& text : texts) {
        SpeechStep step;
        step.voice = voice;
        step.text = text;
        Discard sound;
        if (Failed(synthesiser.Speak(step, sound)) || sound.samples == 0) {
            std::fprintf(stderr, "%s failed: %s\n", qUtf8Printable(text),
                         qUtf8Printable(EngineSynthesiser::TakeFailure()));
            return false;
        }
    }
    return true;
}

bool Run(const QString& program, const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A Scheme string: \ and " escaped.
QString SchemeString(const QString& text)
{
    QString quoted = text;
    quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
    return u'"' + quoted + u'"';
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Runs each variant once a round, in turned order, and prints the figures per text.
void Compare(std::vector<Variant>& variants, int rounds, int texts)
{
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < variants.size(); ++i) {
            Variant& v = variants[(i + round) % variants.size()];
            const auto start = Clock::now();
            const bool ok = v.run();
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            if (!ok)
                std::fprintf(stderr, "  %s: a text failed (round %d)\n", v.label, round + 1);
            v.msPerText.push_back(ms / texts);
        }
    }
    for (const Variant& v : variants) {
        const auto [low, high] = std::minmax_element(v.msPerText.begin(), v.msPerText.end());
        std::printf("  %-52s %8.1f ms a text  (%.1f–%.1f)\n", v.label, Median(v.msPerText), *low, *high);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&](const char* name, int fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < args.size() ? std::max(0, args[at + 1].toInt()) : fallback;
    };
    const int rounds = std::max(1, option("--rounds", 5));
    const QStringList texts = SampleWords(option("--texts", 20));
    const int loadMs = option("--load-ms", 300);
    const int n = static_cast<int>(texts.size());

    QTemporaryDir dir;
    if (!dir.isValid() || n == 0)
        return 1;
    // The voice, and a description of each way, for the stand-in.
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(u"data"_qs)));
    qputenv("FAKE_PIPER_LOAD_MS", QByteArray::number(loadMs));
    Write(dir.filePath(u"data/lexovox/voices/en_US-bench-medium.onnx"_qs), "model");
    Write(dir.filePath(u"data/lexovox/voices/en_US-bench-medium.onnx.json"_qs),
          R"({"language": {"code": "en_US"}, "audio": {"sample_rate": 22050, "quality": "medium"}})");
    std::vector<EngineProblem> problems;
    std::vector<InstalledEngine> perText, longLived;
    for (const bool serving : {false, true}) {
        const QString folder = dir.filePath(serving ? u"long-lived"_qs : u"per-text"_qs);
        Write(folder + u"/standin.engine"_qs, StandInDescription(serving));
        (serving ? longLived : perText) = FindInstalledEngines({folder}, problems);
    }
    const QByteArray standIn = "engine:standin/en_US-bench-medium";
    // The Python package's shipped description, its program the stand-in, with its server
    // (tests/speech/engines/python) and without.
    qputenv("PYTHONPATH", LEXOVOX_SOURCE_DIR "/tests/speech/engines/python");
    std::vector<InstalledEngine> pythonPerText, pythonServer;
    for (const bool serving : {false, true}) {
        QFile shipped(QStringLiteral(LEXOVOX_SOURCE_DIR "/data/engines/piper-python.engine"));
        shipped.open(QIODevice::ReadOnly);
        QByteArray text = shipped.readAll().replace("program = piper\n",
                                                    "program = " LEXOVOX_SOURCE_DIR "/tests/speech/engines/fake-piper-python\n");
        if (!serving)
            text.truncate(text.indexOf("[long-lived]"));
        const QString folder = dir.filePath(serving ? u"python-server"_qs : u"python-per-text"_qs);
        Write(folder + u"/piper-python.engine"_qs, text);
        (serving ? pythonServer : pythonPerText) = FindInstalledEngines({folder}, problems);
    }
    const QByteArray python = "engine:piper/en_US-bench-medium";

    std::printf("%d texts (data/sample_words.csv), %d rounds, %d cores; median per text (lowest–highest round)\n\n", n,
                rounds, QThread::idealThreadCount());
    std::printf("Piper stand-in, model load %d ms a process:\n", loadMs);
    std::vector<Variant> piper{
        {"a process per text", [&] { return SpeakAll(perText, standIn, texts); }, {}},
        {"one long-lived process (its load counted once)", [&] { return SpeakAll(longLived, standIn, texts); }, {}},
        {"Python package: a process per text", [&] { return SpeakAll(pythonPerText, python, texts); }, {}},
        {"Python package: its HTTP server (its load counted once)", [&] { return SpeakAll(pythonServer, python, texts); }, {}},
    };
    Compare(piper, rounds, n);

    std::vector<InstalledEngine> festival =
        FindInstalledEngines({QStringLiteral(LEXOVOX_SOURCE_DIR "/data/engines")}, problems);
    festival.erase(std::remove_if(festival.begin(), festival.end(),
                                  [](const InstalledEngine& e) { return e.description.id != u"festival"; }),
                   festival.end());
    const QString festivalProgram = QStandardPaths::findExecutable(u"festival"_qs);
    if (festival.empty() || festivalProgram.isEmpty()) {
        std::printf("\nFestival is not installed: its figures are left out.\n");
        return 0;
    }
    const QByteArray kal = "engine:festival/kal_diphone";
    const QString text2wave = festival.front().program;
    for (int i = 0; i < n; ++i)
        Write(dir.filePath(u"texts/%1.txt"_qs.arg(i)), texts[i].toUtf8() + '\n');
    // Festival's own loop: one process, the voice chosen once, each text synthesised and saved.
    QByteArray loop = "(voice_kal_diphone)\n";
    for (int i = 0; i < n; ++i)
        loop += QStringLiteral("(utt.save.wave (utt.synth (Utterance Text %1)) %2 'riff)\n")
                    .arg(SchemeString(texts[i]), SchemeString(dir.filePath(u"loop-%1.wav"_qs.arg(i))))
                    .toUtf8();
    Write(dir.filePath(u"loop.scm"_qs), loop);
    Write(dir.filePath(u"start.scm"_qs), "(voice_kal_diphone)\n");

    std::printf("\nFestival %s, voice kal_diphone:\n", qUtf8Printable(festivalProgram));
    std::vector<Variant> real{
        {"through the program: one festival kept", [&] { return SpeakAll(festival, kal, texts); }, {}},
        {"bare text2wave per text, no program",
         [&] {
             bool ok = true;
             for (int i = 0; i < n; ++i)
                 ok &= Run(text2wave, {u"-o"_qs, dir.filePath(u"bare.wav"_qs), u"-eval"_qs, u"(voice_kal_diphone)"_qs,
                                       dir.filePath(u"texts/%1.txt"_qs.arg(i))});
             return ok;
         },
         {}},
        {"festival's own loop in one process",
         [&] { return Run(festivalProgram, {u"-b"_qs, dir.filePath(u"loop.scm"_qs)}); }, {}},
        {"festival started with its voice, nothing spoken (÷ N)",
         [&] { return Run(festivalProgram, {u"-b"_qs, dir.filePath(u"start.scm"_qs)}); }, {}},
    };
    Compare(real, rounds, n);
    const double start = Median(real[3].msPerText) * n;
    const double warm = Median(real[2].msPerText) - Median(real[3].msPerText);
    std::printf("\n  festival's start with its voice %.0f ms; a text in a warm process %.1f ms;\n"
                "  through the program a text takes %.1f ms, text2wave's start and all %.1f ms\n",
                start, warm, Median(real[0].msPerText), Median(real[1].msPerText));
    return 0;
}
