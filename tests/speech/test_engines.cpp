// Voices of speech programs outside the process: their descriptions, their voices, and speaking
// through stand-ins (tests/speech/engines/) that behave as the real programs do, with their
// faults; and one word through the real Festival where it is installed.

#include <csignal>
#include <vector>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "base/processstamp.h"
#include "speech/platform/enginedescription.h"
#include "speech/platform/enginesound.h"
#include "speech/platform/enginesynthesiser.h"
#include "speech/platform/enginevoices.h"
#include "speechfakes.h"
#include "standinsession.h"
#include "support/endedprocess.h"

using namespace speech;

namespace {

QByteArray Metadata(const char* language, int rate = 22050)
{
    return QJsonDocument(QJsonObject{{u"language"_qs, QJsonObject{{u"code"_qs, QString::fromLatin1(language)}}},
                                     {u"audio"_qs, QJsonObject{{u"sample_rate"_qs, rate}, {u"quality"_qs, u"medium"_qs}}}})
        .toJson();
}

QByteArray Description(const char* program, bool longLived, int timeout = 10)
{
    QByteArray text = "[engine]\nname = Stand-in\nprogram = " + StandInFolder().toUtf8() + '/' + program
        + "\n[voices]\nfiles = $XDG_DATA_HOME/lexovox/voices/{name}.onnx\nmetadata = {path}.json\n"
          "metadata-language = language.code\nmetadata-sample-rate = audio.sample_rate\nmetadata-quality = audio.quality\n"
          "[speak]\narguments = --model {path} --output_file {out} {rate}\nrate = --length_scale {stretch}\ntimeout = "
        + QByteArray::number(timeout) + '\n';
    if (longLived)
        text += "[long-lived]\narguments = --model {path} --json-input {rate}\n";
    return text;
}

// A user's session of its own, with one voice of the stand-in Piper installed.
class Engines : public StandInSession
{
protected:
    void SetUp() override
    {
        StandInSession::SetUp();
        WriteTestFile(path(u"data/lexovox/voices/en_US-test-medium.onnx"_qs), "model");
        WriteTestFile(path(u"data/lexovox/voices/en_US-test-medium.onnx.json"_qs), Metadata("en_US"));
    }

    std::unique_ptr<EngineSynthesiser> synthesiser(bool longLived, int timeout = 10)
    {
        WriteTestFile(path(u"config/lexovox/engines/standin.engine"_qs), Description("fake-piper", longLived, timeout));
        std::vector<EngineProblem> problems;
        auto engines = FindInstalledEngines({path(u"config/lexovox/engines"_qs)}, problems);
        EXPECT_TRUE(problems.empty());
        return std::make_unique<EngineSynthesiser>(std::move(engines));
    }

    static SpeechStep step(const QString& text)
    {
        SpeechStep step;
        step.voice = "engine:standin/en_US-test-medium";
        step.text = text;
        return step;
    }

    // The texts the stand-in received, in order.
    QStringList received() const
    {
        QStringList texts;
        for (const LoggedCall& call : loggedCalls())
            texts << call.text;
        return texts;
    }

    std::vector<pid_t> pids() const
    {
        QFile log(path(u"pids.log"_qs));
        std::vector<pid_t> found;
        if (log.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : log.readAll().split('\n')) {
                if (!line.isEmpty())
                    found.push_back(pid_t(line.toInt()));
            }
        }
        return found;
    }
};

TEST(EngineDescriptions, ReadsKeysSectionsAndQuotedArguments)
{
    EngineDescription d;
    EngineProblem problem;
    ASSERT_TRUE(ParseEngineDescription("# a comment\n[engine]\nname = Festival\nprogram = text2wave\n\n[voices]\n"
                                       "files = /usr/share/festival/voices/english/{name}\nlanguage = en\nsample-rate = 16000\n"
                                       "[speak]\narguments = -o {out} -eval \"(voice_{voice})\" {rate} {textfile}\n"
                                       "rate = -eval \"(Parameter.set 'Duration_Stretch {stretch})\"\ntimeout = 5\n",
                                       u"/x/festival.engine"_qs, d, problem))
        << qPrintable(problem.Text());
    EXPECT_EQ(d.id, u"festival");
    EXPECT_EQ(d.title, u"Festival");
    EXPECT_EQ(d.sampleRate, 16000);
    EXPECT_EQ(d.timeoutMs, 5000);
    EXPECT_EQ(d.arguments, (QStringList{u"-o"_qs, u"{out}"_qs, u"-eval"_qs, u"(voice_{voice})"_qs, u"{rate}"_qs, u"{textfile}"_qs}));
    EXPECT_EQ(d.rateArguments, (QStringList{u"-eval"_qs, u"(Parameter.set 'Duration_Stretch {stretch})"_qs}));
}

TEST(EngineDescriptions, MalformedOnesAreNamedByLine)
{
    const struct
    {
        QByteArray text;
        int line;
        const char* says;
    } cases[] = {
        {"[engine]\nprogram = x\nrats = 3\n", 3, "unknown key"},
        {"[engine]\nprogram = x\n[sounds]\n", 3, "unknown section"},
        {"program = x\n", 1, "before the first"},
        {"[engine]\njust words\n", 2, "key = value"},
        {"[engine]\nprogram = x\n[speak]\ntimeout = forever\n", 4, "whole number"},
        {"[engine]\nprogram = x\n[speak]\narguments = -o {out} \"open\n", 4, "unclosed quote"},
        {"[engine]\nprogram = x\n[voices]\nlist = a\nlanguage = en\n", 0, "no arguments"},
        {"[engine]\nprogram = x\n[voices]\nlist = a\nlanguage = en\n[speak]\narguments = {text}\n", 0, "without {out}"},
        {"[voices]\nlist = a\n", 0, "no program"},
        {"[engine]\nprogram = x\nid = Piper\n", 3, "small letters"},
        {"[engine]\nprogram = x\n[voices]\nmetadata-format = yaml\n", 4, "json or ini"},
        {"[engine]\nprogram = x\nprobe = --help\n[voices]\nlist = a\nlanguage = en\n[speak]\narguments = {out}\n", 0,
         "probe and probe-says together"},
        {"[engine]\nprogram = x\n[voices]\nlist = a\nlanguage = en\n[long-lived]\nhttp-body = xml\n", 7, "json or text"},
        {"[engine]\nprogram = x\n[voices]\nlist = a\nlanguage = en\n[long-lived]\narguments = -p 80\nhttp-post = /tts\n", 0,
         "http-post and a {port}"},
        {"[engine]\nprogram = x\n[voices]\nlist = a\nlanguage = en\n[long-lived]\narguments = -p {port}\nhttp-post = tts\n", 0,
         "begin with /"},
        {"[engine]\nprogram = x\n[voices]\nlist = a\nlanguage = en\n[long-lived]\narguments = --pipe\nrequest = ({out})\n", 0,
         "request and done together"},
        {"[engine]\nprogram = x\n[voices]\nlist = a\nlanguage = en\n[long-lived]\narguments = --pipe\nrequest = ({text})\n"
         "done = ok\n", 0, "request without {out}"},
        {"[engine]\nprogram = x\n[voices]\nlist = a\nlanguage = en\n[long-lived]\narguments = -p {port}\nhttp-post = /\n"
         "request = ({out})\ndone = ok\n", 0, "not both"},
    };
    for (const auto& c : cases) {
        EngineDescription d;
        EngineProblem problem;
        EXPECT_FALSE(ParseEngineDescription(c.text, u"/x/bad.engine"_qs, d, problem)) << c.text.constData();
        EXPECT_EQ(problem.line, c.line) << c.text.constData();
        EXPECT_TRUE(problem.Text().contains(QString::fromLatin1(c.says))) << qPrintable(problem.Text());
        EXPECT_TRUE(problem.Text().startsWith(c.line > 0 ? u"/x/bad.engine:%1: "_qs.arg(c.line) : u"/x/bad.engine: "_qs));
    }
}

TEST(EngineDescriptions, TheUsersFileReplacesTheShippedOneAndABadOneLeavesTheOthers)
{
    QTemporaryDir dir;
    const QByteArray good = "[engine]\nprogram = %1\n[voices]\nlist = v\nlanguage = en\n[speak]\narguments = {out}\n";
    WriteTestFile(dir.filePath(u"shipped/a.engine"_qs), QByteArray(good).replace("%1", "shipped-a"));
    WriteTestFile(dir.filePath(u"shipped/b.engine"_qs), QByteArray(good).replace("%1", "shipped-b"));
    WriteTestFile(dir.filePath(u"user/a.engine"_qs), QByteArray(good).replace("%1", "users-a"));
    WriteTestFile(dir.filePath(u"user/c.engine"_qs), "[engine]\nprogram = c\nvoice = x\n");
    WriteTestFile(dir.filePath(u"user/notes.txt"_qs), "not a description");
    std::vector<EngineProblem> problems;
    const std::vector<EngineDescription> read =
        ReadEngineDescriptions({dir.filePath(u"shipped"_qs), dir.filePath(u"user"_qs)}, problems);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].program, u"users-a");
    EXPECT_EQ(read[1].program, u"shipped-b");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].Text(), dir.filePath(u"user/c.engine"_qs) + u":3: unknown key \"voice\" in [engine]"_qs);
}

TEST_F(Engines, VoicesAreFoundWithTheirMetadataAndOnlyInstalledEnginesCount)
{
    WriteTestFile(path(u"data/lexovox/voices/zh_CN-test-low.onnx"_qs), "model");
    WriteTestFile(path(u"data/lexovox/voices/zh_CN-test-low.onnx.json"_qs), Metadata("zh_CN", 16000));
    WriteTestFile(path(u"data/lexovox/voices/de_DE-test-low.onnx"_qs), "model");  // a language it cannot use
    WriteTestFile(path(u"data/lexovox/voices/de_DE-test-low.onnx.json"_qs), Metadata("de_DE"));
    WriteTestFile(path(u"data/lexovox/voices/no-metadata.onnx"_qs), "model");
    WriteTestFile(path(u"data/lexovox/voices/broken.onnx"_qs), "model");
    WriteTestFile(path(u"data/lexovox/voices/broken.onnx.json"_qs), "{ not json");
    WriteTestFile(path(u"data/lexovox/voices/-dash.onnx"_qs), "model");  // a name that would read as an option
    WriteTestFile(path(u"data/lexovox/voices/-dash.onnx.json"_qs), Metadata("en_US"));
    WriteTestFile(path(u"config/lexovox/engines/standin.engine"_qs), Description("fake-piper", false));
    WriteTestFile(path(u"config/lexovox/engines/absent.engine"_qs),
          "[engine]\nprogram = lexovox-no-such-program\n[voices]\nlist = v\nlanguage = en\n[speak]\narguments = {out}\n");
    std::vector<EngineProblem> problems;
    const std::vector<InstalledEngine> engines = FindInstalledEngines({path(u"config/lexovox/engines"_qs)}, problems);
    EXPECT_TRUE(problems.empty());
    ASSERT_EQ(engines.size(), 1u);
    const std::vector<EngineVoice>& voices = engines[0].voices;
    ASSERT_EQ(voices.size(), 2u);
    EXPECT_EQ(voices[0].name, u"en_US-test-medium");
    EXPECT_EQ(voices[0].path, path(u"data/lexovox/voices/en_US-test-medium.onnx"_qs));
    EXPECT_EQ(voices[0].sampleRate, 22050u);
    EXPECT_EQ(voices[0].quality, u"medium");
    EXPECT_EQ(voices[1].name, u"zh_CN-test-low");
    EXPECT_EQ(voices[1].sampleRate, 16000u);

    const EngineSynthesiser synthesiser(engines);
    const std::vector<SynthesiserVoice> listed = synthesiser.Voices();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].identifier, "engine:standin/en_US-test-medium");
    EXPECT_EQ(listed[0].english, u"Stand-in en_US-test-medium (English, medium quality)");
    EXPECT_EQ(listed[0].chinese, u"Stand-in 语音 en_US-test-medium（英语）");
    EXPECT_EQ(synthesiser.SampleRateOf("engine:standin/zh_CN-test-low"), 16000u);
}

TEST_F(Engines, OneTextAProcessAndOneProcessForManyBothGiveTheVoicesRate)
{
    for (const bool longLived : {false, true}) {
        const auto engine = synthesiser(longLived);
        for (const char* text : {"apple", "banana split"}) {
            CollectedSound sound;
            ASSERT_EQ(engine->Speak(step(QString::fromLatin1(text)), sound), S_OK) << qPrintable(EngineSynthesiser::TakeFailure());
            // Written at 24 kHz in stereo, handed on at the voice's 22,050 Hz in mono.
            const double seconds = (2400.0 + 240.0 * double(std::strlen(text))) / 24000.0;
            EXPECT_NEAR(double(sound.samples.size()), seconds * 22050, 50) << text;
        }
        EXPECT_EQ(pids().size(), longLived ? 1u : 2u);
        QFile::remove(path(u"pids.log"_qs));
    }
}

TEST_F(Engines, TextsReachTheProgramAsTheyAre)
{
    const QStringList texts{u"it's \"quoted\""_qs, u"$(touch pwned) `x`; rm -rf ~"_qs, u"-v --help"_qs,
                            u"two\nlines"_qs, u"café 苹果 {out}"_qs};
    for (const bool longLived : {false, true}) {
        QFile::remove(path(u"texts.log"_qs));
        const auto engine = synthesiser(longLived);
        for (const QString& text : texts) {
            CollectedSound sound;
            EXPECT_EQ(engine->Speak(step(text), sound), S_OK) << qPrintable(text);
        }
        EXPECT_EQ(received(), texts);
    }
    EXPECT_FALSE(QFileInfo::exists(u"pwned"_qs));
}

TEST_F(Engines, AWordOfPunctuationAloneJoinsTheWordBeforeItAndPunctuationAloneIsNotSpoken)
{
    // Festival's text2wave dies of "abandon; ;", which a word with its pauses gives.
    const auto engine = synthesiser(false);
    CollectedSound sound;
    EXPECT_EQ(engine->Speak(step(u"abandon;; ;"_qs), sound), S_OK);
    EXPECT_EQ(engine->Speak(step(u"apple , pear :"_qs), sound), S_OK);
    const std::size_t spoken = sound.samples.size();
    EXPECT_EQ(engine->Speak(step(u" ; ;"_qs), sound), S_OK);
    EXPECT_EQ(sound.samples.size(), spoken);
    EXPECT_EQ(received(), (QStringList{u"abandon;;;"_qs, u"apple, pear:"_qs}));
}

TEST_F(Engines, AProgramThatFailsATextFailsItWithItsLastWords)
{
    for (const bool longLived : {false, true}) {
        const auto engine = synthesiser(longLived);
        CollectedSound sound;
        EXPECT_EQ(engine->Speak(step(u"fail"_qs), sound), SPERR_ENGINE_PROGRAM);
        EXPECT_TRUE(sound.samples.empty());
        EXPECT_EQ(EngineSynthesiser::TakeFailure(), u"Stand-in en_US-test-medium: boom: the model broke");
        EXPECT_TRUE(EngineSynthesiser::TakeFailure().isEmpty());
        EXPECT_EQ(engine->Speak(step(u"next"_qs), sound), S_OK);
    }
}

TEST_F(Engines, AHangingProgramIsStoppedAtItsTimeoutAndTheNextTextIsSpoken)
{
    for (const bool longLived : {false, true}) {
        const auto engine = synthesiser(longLived, 1);
        CollectedSound sound;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(engine->Speak(step(u"hang"_qs), sound), SPERR_ENGINE_PROGRAM);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_TRUE(EngineSynthesiser::TakeFailure().contains(u"no answer within 1 s"));
        EXPECT_EQ(::kill(pids().back(), 0), -1) << "the hung program still runs";
        EXPECT_EQ(engine->Speak(step(u"next"_qs), sound), S_OK);
    }
}

TEST_F(Engines, SoundFilesThatAreNotSoundAreRefused)
{
    const struct
    {
        const char* text;
        const char* says;
    } cases[] = {
        {"nofile", "wrote no sound file"},
        {"notwav", "not a WAV file"},
        {"zeroframes", "holds no sound"},
        {"huge", "Stand-in en_US-test-medium"},
    };
    const auto engine = synthesiser(false);
    for (const auto& c : cases) {
        CollectedSound sound;
        const HRESULT hr = engine->Speak(step(QString::fromLatin1(c.text)), sound);
        const QString failure = EngineSynthesiser::TakeFailure();
        if (QByteArrayView(c.text) == "huge") {
            // libsndfile reads what is there of a header claiming 4 GB: a few samples at most.
            EXPECT_LT(sound.samples.size(), 1000u);
            if (Failed(hr)) {
                EXPECT_TRUE(failure.contains(QString::fromLatin1(c.says))) << qPrintable(failure);
            }
            continue;
        }
        EXPECT_EQ(hr, SPERR_ENGINE_PROGRAM) << c.text;
        EXPECT_TRUE(failure.contains(QString::fromLatin1(c.says))) << qPrintable(failure);
    }
}

TEST(EngineSound, AHeaderClaimingMoreThanTenMinutesIsRefused)
{
    QTemporaryDir dir;
    // A well-formed header for 11 minutes at 8 kHz, with a moment of sound after it.
    const quint32 frames = 11 * 60 * 8000;
    QByteArray wav = "RIFF";
    const auto u32 = [&](quint32 v) { wav.append(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](quint16 v) { wav.append(reinterpret_cast<const char*>(&v), 2); };
    u32(36 + frames * 2);
    wav += "WAVEfmt ";
    u32(16); u16(1); u16(1); u32(8000); u32(16000); u16(2); u16(16);
    wav += "data";
    u32(frames * 2);
    wav += QByteArray(16000, '\1');
    WriteTestFile(dir.filePath(u"long.wav"_qs), wav);
    EngineSound sound;
    QString why;
    const bool read = ReadEngineSound(dir.filePath(u"long.wav"_qs), sound, why);
    // libsndfile may take the length from the file rather than the header: either it is refused,
    // or only what is there is read.
    if (read)
        EXPECT_LE(sound.samples.size(), 8000u);
    else
        EXPECT_FALSE(why.isEmpty());
}

TEST_F(Engines, ALongLivedProgramThatDiesIsStartedAgainOnce)
{
    const auto engine = synthesiser(true);
    CollectedSound sound;
    ASSERT_EQ(engine->Speak(step(u"first"_qs), sound), S_OK);
    // It dies on this text the first time, and speaks it once started again.
    EXPECT_EQ(engine->Speak(step(u"die"_qs), sound), S_OK) << qPrintable(EngineSynthesiser::TakeFailure());
    EXPECT_EQ(pids().size(), 2u);
    // Dying again after the restart fails the text, not the voice.
    EXPECT_EQ(engine->Speak(step(u"alwaysdie"_qs), sound), SPERR_ENGINE_PROGRAM);
    EXPECT_EQ(EngineSynthesiser::TakeFailure(), u"Stand-in en_US-test-medium: died speaking");
    EXPECT_EQ(engine->Speak(step(u"after"_qs), sound), S_OK);
}

TEST_F(Engines, NoProgramOutlivesTheSynthesiser)
{
    auto engine = synthesiser(true);
    CollectedSound sound;
    ASSERT_EQ(engine->Speak(step(u"apple"_qs), sound), S_OK);
    const pid_t serving = pids().back();
    EXPECT_EQ(::kill(serving, 0), 0);
    engine.reset();
    EXPECT_EQ(::kill(serving, 0), -1);
}

TEST_F(Engines, ARateIsTheProgramsOwnOptionAndTheDryRunShowsTheCall)
{
    const auto engine = synthesiser(false);
    SpeechStep slow = step(u"-apple"_qs);
    slow.ratePercent = 50;
    CollectedSound sound;
    ASSERT_EQ(engine->Speak(slow, sound), S_OK);
    QFile log(path(u"texts.log"_qs));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray args = QJsonDocument(QJsonDocument::fromJson(log.readAll().split('\n').first()).object()
                                              .value(u"args").toArray()).toJson(QJsonDocument::Compact);
    EXPECT_TRUE(args.endsWith(",\"--length_scale\",\"2\"]")) << args.constData();
    EXPECT_EQ(engine->CommandLine(slow), StandInFolder() + u"/fake-piper --model "_qs + path(u"data/lexovox/voices/en_US-test-medium.onnx"_qs)
                                             + u" --output_file {out} --length_scale 2 <<< -apple"_qs);
}

// What a synthesiser writes and reads (texts, sound) waits in a folder of its own; a worker
// killed with it open cannot remove it, so the next one takes away those whose process ended,
// also while that process is a zombie nobody reaps.
TEST_F(Engines, FilesOfAKilledProcessAreTakenAwayByTheNext)
{
    const ZombieProcess zombie;
    ASSERT_TRUE(zombie.isZombie());
    const QString dead = path(u"tmp/lexovox-engine-%1-Ab3xYz"_qs.arg(ProcessStamp::Of(zombie.Pid()).Text()));
    const QString alive = path(u"tmp/lexovox-engine-%1-Cd4xYz"_qs.arg(ProcessStamp::Current().Text()));
    WriteTestFile(dead + u"/out-1"_qs, "half a word");
    WriteTestFile(alive + u"/out-1"_qs, "another synthesiser's");
    CollectedSound sound;
    ASSERT_EQ(synthesiser(false)->Speak(step(u"apple"_qs), sound), S_OK) << qPrintable(EngineSynthesiser::TakeFailure());
    EXPECT_FALSE(QFileInfo::exists(dead));
    EXPECT_TRUE(QFileInfo::exists(alive + u"/out-1"_qs));
}

// The real Festival, where it is installed (Debian's festival and festvox-kallpc16k): one
// festival kept for the voice says each text as text2wave, run once a text, does, sample for
// sample, whatever the text holds.
TEST(Festival, OneProcessForTheVoiceSpeaksAsAProcessATextDoes)
{
    if (FindProgram(u"text2wave"_qs).isEmpty() || !QFileInfo::exists(u"/usr/share/festival/voices/english/kal_diphone"_qs))
        GTEST_SKIP() << "Festival's text2wave and its kal_diphone voice are not installed";
    std::vector<EngineProblem> problems;
    std::vector<InstalledEngine> engines = FindInstalledEngines({QStringLiteral(LEXOVOX_SHIPPED_ENGINES)}, problems);
    std::erase_if(engines, [](const InstalledEngine& e) { return e.description.id != u"festival"; });
    ASSERT_EQ(engines.size(), 1u);
    ASSERT_FALSE(engines[0].description.serveRequest.isEmpty());
    EngineSynthesiser longLived(engines);
    engines[0].description.serveArguments.clear();
    engines[0].description.serveRequest.clear();
    EngineSynthesiser perText(std::move(engines));
    // As the program composes a word with its pauses (text2wave crashed on the lone ";"), and
    // texts a command language could take for its own.
    const QString texts[] = {u"-apple"_qs, u"apple;; ;"_qs, u"say \"hi\" \\ $(x) (quit)"_qs, u"two\nlines"_qs};
    for (const int rate : {100, 70}) {
        for (const QString& text : texts) {
            SpeechStep word;
            word.voice = "engine:festival/kal_diphone";
            word.text = text;
            word.ratePercent = rate;
            CollectedSound once, kept;
            ASSERT_EQ(perText.Speak(word, once), S_OK) << qPrintable(text) << ": " << qPrintable(EngineSynthesiser::TakeFailure());
            ASSERT_EQ(longLived.Speak(word, kept), S_OK) << qPrintable(text) << ": " << qPrintable(EngineSynthesiser::TakeFailure());
            // At least a quarter of a second of speech at 16 kHz.
            EXPECT_GT(once.samples.size(), 16000u / 4) << qPrintable(text);
            EXPECT_GT(*std::max_element(once.samples.begin(), once.samples.end()), 1000);
            EXPECT_TRUE(kept.samples == once.samples) << qPrintable(text) << " at " << rate << " %: " << kept.samples.size() << " against " << once.samples.size();
        }
    }
}

} // namespace
