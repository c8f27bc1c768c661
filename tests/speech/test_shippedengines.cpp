// The shipped engine descriptions of Pico, eSpeak NG with MBROLA, RHVoice and Piper's two
// builds, each run against a stand-in (tests/speech/engines/) that parses its command line as
// the real program does: the voices each lists, a word spoken through it, and the features
// they need (a list checked against files, metadata in "key=value" lines, a rate in words a
// minute, a program asked which build it is).

#include <vector>

#include <signal.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "speech/platform/enginedescription.h"
#include "speech/platform/enginesynthesiser.h"
#include "speech/platform/enginevoices.h"
#include "speechfakes.h"
#include "standinsession.h"

using namespace speech;

namespace {

const QString kShipped = QStringLiteral(LEXOVOX_SHIPPED_ENGINES);

// Warnings said while it lives.
class Warnings
{
public:
    Warnings() { s_said.clear(); m_previous = qInstallMessageHandler(&Take); }
    ~Warnings() { qInstallMessageHandler(m_previous); }
    const QStringList& said() const { return s_said; }

private:
    static void Take(QtMsgType, const QMessageLogContext&, const QString& text) { s_said << text; }
    static inline QStringList s_said;
    QtMessageHandler m_previous = nullptr;
};

class ShippedEngines : public StandInSession
{
protected:
    // The shipped descriptions `names`, their programs the stand-ins and their folders moved
    // into this test's own by `moved` (from → to), as the engines they find.
    std::vector<InstalledEngine> installed(const QStringList& names, const std::map<QString, QString>& programs,
                                           const std::map<QByteArray, QByteArray>& moved = {})
    {
        const QString folder = path(u"engines"_qs);
        QDir(folder).removeRecursively();
        for (const QString& name : names) {
            QFile shipped(kShipped + u'/' + name + u".engine"_qs);
            EXPECT_TRUE(shipped.open(QIODevice::ReadOnly)) << qPrintable(name);
            QByteArray text = shipped.readAll();
            for (const auto& [real, standIn] : programs)
                text.replace("program = " + real.toUtf8() + '\n', "program = " + (StandInFolder() + u'/' + standIn).toUtf8() + '\n');
            for (const auto& [from, to] : moved)
                text.replace(from, to);
            WriteTestFile(folder + u'/' + name + u".engine"_qs, text);
        }
        std::vector<EngineProblem> problems;
        std::vector<InstalledEngine> engines = FindInstalledEngines({folder}, problems);
        for (const EngineProblem& problem : problems)
            ADD_FAILURE() << qPrintable(problem.Text());
        return engines;
    }

    static std::vector<QByteArray> identifiers(const std::vector<InstalledEngine>& engines)
    {
        std::vector<QByteArray> found;
        for (const SynthesiserVoice& v : EngineSynthesiser(engines).Voices())
            found.push_back(v.identifier);
        return found;
    }

    // The arguments and text of each call the stand-ins logged since the last time asked, in order.
    std::vector<LoggedCall> calls() const
    {
        std::vector<LoggedCall> found = loggedCalls();
        QFile::remove(path(u"texts.log"_qs));
        return found;
    }

    // How many times a stand-in was asked for its usage.
    int probed() const
    {
        QFile log(path(u"probes.log"_qs));
        return log.open(QIODevice::ReadOnly) ? int(log.readAll().count('\n')) : 0;
    }

    // Speaks `text` with `voice` at `rate`; the samples, or none with the failure added.
    static std::vector<std::int16_t> speak(EngineSynthesiser& engine, const char* voice, const QString& text, int rate = 100)
    {
        SpeechStep step;
        step.voice = voice;
        step.text = text;
        step.ratePercent = rate;
        CollectedSound sound;
        const HRESULT hr = engine.Speak(step, sound);
        EXPECT_EQ(hr, S_OK) << voice << ": " << qPrintable(EngineSynthesiser::TakeFailure());
        return sound.samples;
    }
};

TEST_F(ShippedEngines, PicoListsItsTwoEnglishVoicesAndSpeaksFromItsStandardInput)
{
    std::vector<InstalledEngine> engines = installed({u"pico2wave"_qs}, {{u"pico2wave"_qs, u"fake-pico2wave"_qs}});
    EXPECT_EQ(identifiers(engines), (std::vector<QByteArray>{"engine:pico2wave/en-US", "engine:pico2wave/en-GB"}));
    EngineSynthesiser pico(std::move(engines));
    EXPECT_EQ(pico.SampleRateOf("engine:pico2wave/en-GB"), 16000u);
    // A leading dash would be an option as an argument ("-l eading"); on its input it is text.
    const QString text = u"-leading \"dash\" $(x)"_qs;
    EXPECT_EQ(speak(pico, "engine:pico2wave/en-GB", text).size(), std::size_t(1600 + 160 * text.size()));
    const auto logged = calls();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].text, u"-leading \"dash\" $(x)");
    ASSERT_EQ(logged[0].args.size(), 4);
    EXPECT_EQ(logged[0].args[0], u"-w");
    EXPECT_TRUE(logged[0].args[1].endsWith(u".wav")) << "pico2wave writes only files named .wav";
    EXPECT_EQ(logged[0].args.mid(2), (QStringList{u"-l"_qs, u"en-GB"_qs}));
}

TEST_F(ShippedEngines, AnEngineWithoutARateSaysSoOnceAndItsVoicesKeepTheirPace)
{
    EngineSynthesiser pico(installed({u"pico2wave"_qs}, {{u"pico2wave"_qs, u"fake-pico2wave"_qs}}));
    const Warnings warnings;
    const std::size_t usual = speak(pico, "engine:pico2wave/en-US", u"apple"_qs).size();
    for (const char* word : {"apple", "pear", "plum"})
        speak(pico, "engine:pico2wave/en-US", QString::fromLatin1(word), 150);
    EXPECT_EQ(speak(pico, "engine:pico2wave/en-US", u"apple"_qs, 50).size(), usual);
    ASSERT_EQ(warnings.said().size(), 1) << qPrintable(warnings.said().join(u'\n'));
    EXPECT_EQ(warnings.said()[0], u"Pico: speaking rate not available, its voices keep their own");
    for (const auto& [args, text] : calls())
        EXPECT_EQ(args.size(), 4) << qPrintable(args.join(u' '));
}

TEST_F(ShippedEngines, MbrolaVoicesAreThoseWhoseDataIsInstalled)
{
    WriteTestFile(path(u"mbrola/us1/us1"_qs), "diphones");
    WriteTestFile(path(u"mbrola/en1/en1"_qs), "diphones");
    WriteTestFile(path(u"mbrola/us2/README"_qs), "a folder without its voice");
    WriteTestFile(path(u"mbrola/de1/de1"_qs), "a German voice");
    std::vector<InstalledEngine> engines = installed({u"espeak-mb"_qs}, {{u"espeak-ng"_qs, u"fake-espeak-ng"_qs}},
                                                     {{"/usr/share/mbrola", path(u"mbrola"_qs).toUtf8()}});
    EXPECT_EQ(identifiers(engines), (std::vector<QByteArray>{"engine:espeak-mb/en1", "engine:espeak-mb/us1"}));
    EngineSynthesiser mbrola(std::move(engines));
    EXPECT_EQ(speak(mbrola, "engine:espeak-mb/us1", u"-dash"_qs).size(), 1600u + 160 * 5);
    speak(mbrola, "engine:espeak-mb/en1", u"apple"_qs, 200);
    const auto logged = calls();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0].text, u"-dash");
    EXPECT_EQ(logged[0].args.mid(0, 2), (QStringList{u"-v"_qs, u"mb-us1"_qs}));
    // Twice as fast: twice eSpeak NG's usual 175 words a minute.
    EXPECT_EQ(logged[1].args.mid(0, 2), (QStringList{u"-v"_qs, u"mb-en1"_qs}));
    EXPECT_EQ(logged[1].args.mid(4, 2), (QStringList{u"-s"_qs, u"350"_qs}));

    // Its data gone since the voice was listed: the program's complaint names why.
    QFile::remove(path(u"mbrola/us1/us1"_qs));
    SpeechStep step;
    step.voice = "engine:espeak-mb/us1";
    step.text = u"apple"_qs;
    CollectedSound sound;
    EXPECT_EQ(mbrola.Speak(step, sound), SPERR_ENGINE_PROGRAM);
    EXPECT_EQ(EngineSynthesiser::TakeFailure(),
              u"eSpeak NG MBROLA us1: Error: The specified espeak-ng voice does not exist.");
}

TEST_F(ShippedEngines, RhvoiceVoicesTakeTheirLanguageFromTheirVoiceInfo)
{
    WriteTestFile(path(u"rhvoice/slt/voice.info"_qs), "name=Slt\nlanguage=English\ngender=female\nformat=4\n");
    WriteTestFile(path(u"rhvoice/evgeniy-eng/voice.info"_qs), "name=Evgeniy-Eng\r\nlanguage = English\r\ngender=male\r\n");
    WriteTestFile(path(u"rhvoice/aleksandr/voice.info"_qs), "name=Aleksandr\nlanguage=Russian\n");
    WriteTestFile(path(u"rhvoice/broken/voice.info"_qs), "name=Broken\n");
    WriteTestFile(path(u"rhvoice/empty/README"_qs), "no voice.info");
    std::vector<InstalledEngine> engines = installed({u"rhvoice"_qs}, {{u"RHVoice-test"_qs, u"fake-RHVoice-test"_qs}},
                                                     {{"/usr/share/RHVoice/voices", path(u"rhvoice"_qs).toUtf8()}});
    EXPECT_EQ(identifiers(engines), (std::vector<QByteArray>{"engine:rhvoice/evgeniy-eng", "engine:rhvoice/slt"}));
    ASSERT_EQ(engines.size(), 1u);
    EXPECT_EQ(engines[0].voices[1].language, u"en");
    EngineSynthesiser rhvoice(std::move(engines));
    EXPECT_EQ(rhvoice.SampleRateOf("engine:rhvoice/slt"), 24000u);
    EXPECT_EQ(speak(rhvoice, "engine:rhvoice/slt", u"-- apple"_qs).size(), 2400u + 240 * 8);
    speak(rhvoice, "engine:rhvoice/evgeniy-eng", u"pear"_qs, 150);
    const auto logged = calls();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0].text, u"-- apple");
    EXPECT_EQ(logged[0].args.mid(0, 2), (QStringList{u"-p"_qs, u"slt"_qs}));
    EXPECT_EQ(logged[1].args.mid(6), (QStringList{u"-r"_qs, u"150"_qs}));
}

TEST_F(ShippedEngines, PipersBuildIsAskedOnlyOnceItHasVoicesAndItsVoicesKeepTheirNames)
{
    const QStringList both{u"piper"_qs, u"piper-python"_qs};
    // No voice files: neither build is run.
    EXPECT_TRUE(installed(both, {{u"piper"_qs, u"fake-piper"_qs}}).empty());
    EXPECT_EQ(probed(), 0);

    WriteTestFile(path(u"data/lexovox/voices/en_US-test-medium.onnx"_qs), "model");
    WriteTestFile(path(u"data/lexovox/voices/en_US-test-medium.onnx.json"_qs),
          R"({"language": {"code": "en_US"}, "audio": {"sample_rate": 22050, "quality": "medium"}})");
    for (const char* standIn : {"fake-piper", "fake-piper-python"}) {
        std::vector<InstalledEngine> engines = installed(both, {{u"piper"_qs, QString::fromLatin1(standIn)}});
        ASSERT_EQ(engines.size(), 1u) << standIn;
        const bool python = QByteArrayView(standIn) == "fake-piper-python";
        // The Python build is asked first (its description's name sorts first) and answers;
        // the C++ one is asked after the Python description finds it is not that.
        EXPECT_EQ(probed(), python ? 1 : 2) << standIn;
        QFile::remove(path(u"probes.log"_qs));
        EXPECT_EQ(engines[0].description.file.endsWith(u"/piper-python.engine"), python) << standIn;
        EXPECT_EQ(identifiers(engines), (std::vector<QByteArray>{"engine:piper/en_US-test-medium"}));
        EngineSynthesiser piper(std::move(engines));
        // The Python build keeps "--" of an argument in the text: from a file it stays the text's own.
        EXPECT_FALSE(speak(piper, "engine:piper/en_US-test-medium", u"-- -dash $(x)"_qs, 50).empty()) << standIn;
        const auto logged = calls();
        ASSERT_EQ(logged.size(), 1u);
        EXPECT_EQ(logged[0].text, u"-- -dash $(x)") << standIn;
        EXPECT_TRUE(logged[0].args.contains(python ? u"--length-scale"_qs : u"--length_scale"_qs)) << standIn;
    }
}

} // namespace

namespace {

// The Python build of Piper with one voice, its server's part installed unless `withServer` is
// false, with a text's time limit of `timeout` seconds.
class PiperServer : public ShippedEngines
{
protected:
    std::vector<InstalledEngine> piper(int timeout = 60)
    {
        WriteTestFile(path(u"data/lexovox/voices/en_US-test-medium.onnx"_qs), "model");
        WriteTestFile(path(u"data/lexovox/voices/en_US-test-medium.onnx.json"_qs),
                      R"({"language": {"code": "en_US"}, "audio": {"sample_rate": 22050}})");
        return installed({u"piper-python"_qs}, {{u"piper"_qs, u"fake-piper-python"_qs}},
                         {{"timeout = 60", "timeout = " + QByteArray::number(timeout)}});
    }

    // The process ids of the processes that spoke, in order.
    std::vector<pid_t> speakers() const
    {
        std::vector<pid_t> pids;
        QFile log(path(u"pids.log"_qs));
        if (log.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : log.readAll().split('\n'))
                if (!line.isEmpty())
                    pids.push_back(pid_t(line.toInt()));
        }
        return pids;
    }

    static HRESULT say(EngineSynthesiser& engine, const QString& text, int rate = 100)
    {
        SpeechStep step;
        step.voice = "engine:piper/en_US-test-medium";
        step.text = text;
        step.ratePercent = rate;
        CollectedSound sound;
        const HRESULT hr = engine.Speak(step, sound);
        EXPECT_EQ(Succeeded(hr), !sound.samples.empty()) << qPrintable(text);
        return hr;
    }

    static constexpr const char* kVoice = "engine:piper/en_US-test-medium";
};

TEST_F(PiperServer, KeepsItsVoiceLoadedForEveryTextAndGoesWithTheSynthesiser)
{
    const QString texts[] = {u"it's \"quoted\""_qs, u"$(rm -rf x) `y`"_qs, u"-dash --help"_qs, u"line\nbreak"_qs,
                             u"café 银行"_qs};
    pid_t server = 0;
    {
        EngineSynthesiser engine(piper());
        for (const QString& text : texts)
            EXPECT_EQ(say(engine, text), S_OK) << qPrintable(EngineSynthesiser::TakeFailure());
        ASSERT_EQ(speakers().size(), 1u);  // one process for all five
        server = speakers()[0];
        const auto logged = calls();
        ASSERT_EQ(logged.size(), std::size(texts));
        for (std::size_t i = 0; i < std::size(texts); ++i)
            EXPECT_EQ(logged[i].text, texts[i].trimmed());
        EXPECT_TRUE(logged[0].args.mid(0, 2) == (QStringList{u"-m"_qs, path(u"data/lexovox/voices/en_US-test-medium.onnx"_qs)}));
        EXPECT_FALSE(logged[0].args.contains(u"--length-scale"_qs));

        // Another rate is another process; --dry-run shows the server and what is posted.
        EXPECT_EQ(say(engine, u"slower"_qs, 50), S_OK);
        EXPECT_EQ(speakers().size(), 2u);
        EXPECT_TRUE(calls()[0].args.contains(u"--length-scale"_qs));
        SpeechStep step;
        step.voice = kVoice;
        step.text = u"pear"_qs;
        const QString line = engine.CommandLine(step);
        EXPECT_TRUE(line.contains(u"-m piper.http_server -m "_qs)) << qPrintable(line);
        EXPECT_TRUE(line.endsWith(u"--host 127.0.0.1 --port {port} ; POST http://127.0.0.1:{port}/synthesize '{\"text\":\"pear\"}'"_qs))
            << qPrintable(line);
    }
    EXPECT_NE(::kill(server, 0), 0) << "the server outlived its synthesiser";
    EXPECT_NE(::kill(speakers()[1], 0), 0);
}

TEST_F(PiperServer, AFailedTextFailsAloneAndADeadServerIsStartedAgainOnce)
{
    EngineSynthesiser engine(piper(2));
    EXPECT_EQ(say(engine, u"fail"_qs), SPERR_ENGINE_PROGRAM);
    EXPECT_EQ(EngineSynthesiser::TakeFailure(), u"Piper en_US-test-medium: its server answered 500: <h1>Internal Server Error</h1>");
    EXPECT_EQ(say(engine, u"apple"_qs), S_OK);
    EXPECT_EQ(speakers().size(), 1u);  // the same process went on

    EXPECT_EQ(say(engine, u"die"_qs), S_OK);  // it ended on the text, and the next one spoke it
    EXPECT_EQ(speakers().size(), 2u);
    EXPECT_EQ(say(engine, u"alwaysdie"_qs), SPERR_ENGINE_PROGRAM);
    EXPECT_FALSE(EngineSynthesiser::TakeFailure().isEmpty());
    EXPECT_EQ(say(engine, u"hang"_qs), SPERR_ENGINE_PROGRAM);
    EXPECT_EQ(EngineSynthesiser::TakeFailure(), u"Piper en_US-test-medium: no answer within 2 s, stopped");
    const std::size_t before = speakers().size();
    EXPECT_EQ(say(engine, u"pear"_qs), S_OK);  // the run goes on with a new server
    EXPECT_EQ(speakers().size(), before + 1);
    std::vector<pid_t> ended = speakers();
    ended.pop_back();
    for (pid_t pid : ended)
        EXPECT_NE(::kill(pid, 0), 0) << pid << " was left running";
}

TEST_F(PiperServer, AnOlderServersRouteIsFoundAndWithoutTheServerEachTextHasAProcess)
{
    qputenv("FAKE_PIPER_ROUTE", "/");
    {
        EngineSynthesiser engine(piper());
        EXPECT_EQ(say(engine, u"apple"_qs), S_OK) << qPrintable(EngineSynthesiser::TakeFailure());
        EXPECT_EQ(say(engine, u"pear"_qs), S_OK);
        EXPECT_EQ(speakers().size(), 1u);
    }
    qunsetenv("FAKE_PIPER_ROUTE");
    QFile::remove(path(u"pids.log"_qs));
    calls();

    qputenv("FAKE_PIPER_NO_FLASK", "1");
    Warnings warnings;
    {
        EngineSynthesiser engine(piper());
        EXPECT_EQ(say(engine, u"apple"_qs), S_OK) << qPrintable(EngineSynthesiser::TakeFailure());
        EXPECT_EQ(say(engine, u"pear"_qs), S_OK);
    }
    qunsetenv("FAKE_PIPER_NO_FLASK");
    EXPECT_EQ(warnings.said(), QStringList{u"Piper: its server could not be started (The HTTP server requires additional "
                                           u"dependencies. Install with: pip install piper-tts[http]); one process a text instead"_qs});
    const auto logged = calls();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_TRUE(logged[1].args.contains(u"--input-file"_qs));  // the command itself, once a text
    EXPECT_EQ(speakers().size(), 2u);
}

} // namespace

TEST_F(ShippedEngines, MimicThreesServerIsAskedForTheVoiceOfItsFolder)
{
    WriteTestFile(path(u"data/mycroft/mimic3/voices/en_US/vctk_low/generator.onnx"_qs), "model");
    WriteTestFile(path(u"data/mycroft/mimic3/voices/de_DE/thorsten_low/generator.onnx"_qs), "model");
    std::vector<InstalledEngine> engines = installed({u"mimic3"_qs}, {{u"mimic3-server"_qs, u"fake-mimic3-server"_qs}});
    EXPECT_EQ(identifiers(engines), (std::vector<QByteArray>{"engine:mimic3/vctk_low"}));  // English voices only
    EngineSynthesiser mimic(std::move(engines));
    EXPECT_EQ(speak(mimic, "engine:mimic3/vctk_low", u"-dash \"it's\" $(x)"_qs, 80).size(), 2205u + 220 * 17);
    EXPECT_FALSE(speak(mimic, "engine:mimic3/vctk_low", u"pear"_qs, 80).empty());
    const auto logged = calls();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0].text, u"-dash \"it's\" $(x)");
    EXPECT_EQ(logged[0].args, (QStringList{u"--host"_qs, u"127.0.0.1"_qs, u"--port"_qs, logged[0].args.value(3), u"--voice"_qs,
                                           u"en_US/vctk_low"_qs, u"--preload-voice"_qs, u"en_US/vctk_low"_qs,
                                           u"--length-scale"_qs, u"1.25"_qs}));
}
