// lexovox-batch with the voice of a speech program outside the process: a stand-in Piper
// (tests/speech/engines/fake-piper) first on PATH, its voice in the user's data folder, and
// Pico's stand-in where a test puts it there.

#include <csignal>

#include <QThread>

#include "batchclifixture.h"

namespace {

class EngineCli : public BatchCli
{
protected:
    void SetUp() override
    {
        BatchCli::SetUp();
        for (const char* name : {"PATH", "XDG_CONFIG_HOME", "FAKE_ENGINE_LOG", "FAKE_ENGINE_PIDS"})
            m_saved.emplace_back(name, qgetenv(name));
        QDir(m_dir.path()).mkpath(u"bin"_qs);
        QFile::link(QStringLiteral(LEXOVOX_TEST_ENGINES "/fake-piper"), m_dir.filePath(u"bin/piper"_qs));
        qputenv("PATH", (m_dir.filePath(u"bin"_qs) + u':').toUtf8() + qgetenv("PATH"));
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(u"config"_qs).toUtf8());
        qputenv("FAKE_ENGINE_LOG", m_dir.filePath(u"texts.log"_qs).toUtf8());
        qputenv("FAKE_ENGINE_PIDS", m_dir.filePath(u"pids.log"_qs).toUtf8());
        voiceFile(u"data/lexovox/voices/en_US-test-medium.onnx"_qs, "model");
        voiceFile(u"data/lexovox/voices/en_US-test-medium.onnx.json"_qs,
                  R"({"language": {"code": "en_US"}, "audio": {"sample_rate": 22050, "quality": "medium"}})");
    }

    void TearDown() override
    {
        for (const auto& [name, value] : m_saved)
            qputenv(name, value);
    }

    void voiceFile(const QString& relative, const QByteArray& text) const
    {
        QDir(m_dir.path()).mkpath(QFileInfo(m_dir.filePath(relative)).path());
        QFile file(m_dir.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    std::vector<pid_t> enginePids() const
    {
        QFile log(m_dir.filePath(u"pids.log"_qs));
        std::vector<pid_t> pids;
        if (log.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : log.readAll().split('\n'))
                if (!line.isEmpty())
                    pids.push_back(pid_t(line.toInt()));
        }
        return pids;
    }

    std::vector<std::pair<const char*, QByteArray>> m_saved;
};

TEST_F(EngineCli, AnEngineVoiceIsListedAndSpeaksAWordList)
{
    voiceFile(u"config/lexovox/engines/broken.engine"_qs, "[engine]\nprogram = x\n\nspeed = 3\n");
    const Outcome listed = run({u"--list-voices"_qs});
    EXPECT_EQ(listed.status, 0);
    EXPECT_TRUE(listed.out.contains(u"piper-en-us-test-medium\tPiper en_US-test-medium (English, medium quality)\n"_qs))
        << qPrintable(listed.out);
    EXPECT_TRUE(listed.out.contains(u"flite-rms\t"_qs));
    EXPECT_TRUE(listed.err.contains(m_dir.filePath(u"config/lexovox/engines/broken.engine:4: "_qs))) << qPrintable(listed.err);

    const QString words = csv(u"w.csv"_qs, "en,ch\napple,苹果\n-dash,破折号\n\"say \"\"$(x)\"\"\",说\n");
    const Outcome dry = run({u"--words"_qs, words, u"--out"_qs, out(), u"--voice"_qs, u"piper-en-us-test-medium"_qs,
                             u"--meaning"_qs, u"--dry-run"_qs});
    EXPECT_EQ(dry.status, 0) << qPrintable(dry.err);
    EXPECT_TRUE(dry.out.contains(u"\tengine:piper/en_US-test-medium\tsay\tapple;"_qs)) << qPrintable(dry.out);
    EXPECT_TRUE(dry.out.contains(u" --json-input <<< {\"output_file\":\"{out}\",\"text\":\"apple;"_qs)) << qPrintable(dry.out);
    EXPECT_TRUE(dry.out.contains(u"\tcmn-latn-pinyin\tsay\tping2 guo3 ;\n"_qs));

    const Outcome done = run({u"--words"_qs, words, u"--out"_qs, out(), u"--voice"_qs, u"piper-en-us-test-medium"_qs,
                              u"--meaning"_qs, u"--type"_qs, u"mp3"_qs, u"--quiet"_qs});
    EXPECT_EQ(done.status, 0) << qPrintable(done.err);
    EXPECT_EQ(written(), (QStringList{u"-dash.mp3"_qs, u"apple.mp3"_qs, u"say _$(x)_.mp3"_qs}));
    for (const QString& name : written())
        EXPECT_TRUE(whole(out(), name)) << qPrintable(name);
    QFile log(m_dir.filePath(u"texts.log"_qs));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains(R"("text": "say \"$(x)\";")")) << "the text reached the program changed";
}

// A Chinese voice of the program reads the Chinese of the English voice's words, as characters;
// chosen as the voice itself, it leaves the English to the default voice's English.
TEST_F(EngineCli, AChineseVoiceSaysTheMeaningsInCharacters)
{
    voiceFile(u"data/lexovox/voices/zh_CN-huayan-medium.onnx"_qs, "model");
    voiceFile(u"data/lexovox/voices/zh_CN-huayan-medium.onnx.json"_qs,
              R"({"language": {"code": "zh_CN"}, "audio": {"sample_rate": 22050, "quality": "medium"}})");
    const QString words = csv(u"w.csv"_qs, "en,ch\napple,苹果\n");
    const QStringList english{u"--words"_qs, words, u"--out"_qs, out(), u"--voice"_qs, u"piper-en_US-test-medium"_qs,
                              u"--meaning"_qs, u"--chinese-voice"_qs, u"piper-zh_CN-huayan-medium"_qs};
    const Outcome dry = run(english + QStringList{u"--dry-run"_qs});
    EXPECT_EQ(dry.status, 0) << qPrintable(dry.err);
    EXPECT_TRUE(dry.out.contains(u"\tengine:piper/en_US-test-medium\tsay\tapple;"_qs)) << qPrintable(dry.out);
    EXPECT_TRUE(dry.out.contains(u"\tengine:piper/zh_CN-huayan-medium\tsay\t苹果 ;\t"_qs)) << qPrintable(dry.out);

    const Outcome done = run(english + QStringList{u"--quiet"_qs});
    EXPECT_EQ(done.status, 0) << qPrintable(done.err);
    EXPECT_EQ(written(), QStringList{u"apple.wav"_qs});
    QFile log(m_dir.filePath(u"texts.log"_qs));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString texts = QString::fromUtf8(log.readAll());
    bool meaning = false;
    for (const QString& line : texts.split(u'\n')) {
        // As the engine gets it: a lone ";" joins the word before it.
        if (line.contains(u"\"text\": \"苹果;\""_qs)) {
            meaning = true;
            EXPECT_TRUE(line.contains(u"zh_CN-huayan-medium.onnx"_qs)) << qPrintable(line);
        }
        EXPECT_FALSE(line.contains(u"ping2"_qs)) << qPrintable(line);
    }
    EXPECT_TRUE(meaning) << qPrintable(texts);

    // The Chinese voice as the voice: its English is the default voice's.
    const Outcome alone = run({u"--words"_qs, words, u"--out"_qs, out(), u"--voice"_qs, u"piper-zh-cn-huayan-medium"_qs,
                               u"--meaning"_qs, u"--dry-run"_qs});
    EXPECT_EQ(alone.status, 0) << qPrintable(alone.err);
    EXPECT_TRUE(alone.out.contains(u"\tflite/rms\tsay\tapple;"_qs) || alone.out.contains(u"\ten-us\tsay\tapple;"_qs))
        << qPrintable(alone.out);
    EXPECT_TRUE(alone.out.contains(u"\tengine:piper/zh_CN-huayan-medium\tsay\t苹果 ;\t"_qs)) << qPrintable(alone.out);

    // A voice that is not installed, or reads no Chinese of its own, is refused before any word.
    for (const QString& wrong : {u"piper-zh-cn-nobody"_qs, u"piper-en-us-test-medium"_qs}) {
        const Outcome refused = run({u"--words"_qs, words, u"--out"_qs, m_dir.filePath(u"refused"_qs),
                                     u"--chinese-voice"_qs, wrong});
        EXPECT_EQ(refused.status, 2);
        EXPECT_TRUE(refused.err.contains(u"--chinese-voice"_qs) && refused.err.contains(wrong)) << qPrintable(refused.err);
        EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(u"refused"_qs)));
    }
}

TEST_F(EngineCli, AVoiceWhoseProgramIsGoneStopsTheRunBeforeAnyWord)
{
    QFile::remove(m_dir.filePath(u"bin/piper"_qs));
    const Outcome outcome = run({u"--words"_qs, csv(u"w.csv"_qs, "en,ch\napple,苹果\n"), u"--out"_qs, out(),
                                 u"--voice"_qs, u"piper-en-us-test-medium"_qs});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_TRUE(outcome.err.contains(u"piper-en-us-test-medium"_qs)) << qPrintable(outcome.err);
    EXPECT_TRUE(written().isEmpty());
}

TEST_F(EngineCli, AWordTheProgramFailsIsNamedWithWhatItSaid)
{
    const Outcome outcome = run({u"--words"_qs, csv(u"w.csv"_qs, "en,ch\napple,苹果\nfail,失败\npear,梨\n"), u"--out"_qs,
                                 out(), u"--voice"_qs, u"piper-en-us-test-medium"_qs, u"--quiet"_qs});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(written(), (QStringList{u"apple.wav"_qs, u"pear.wav"_qs}));
    const QString said = outcome.out + outcome.err;
    EXPECT_TRUE(said.contains(u"fail"_qs) && said.contains(u"boom: the model broke"_qs)) << qPrintable(said);
}

TEST_F(EngineCli, AnEngineWithoutARateSaysSoOnceForTheWholeRun)
{
    QFile::link(QStringLiteral(LEXOVOX_TEST_ENGINES "/fake-pico2wave"), m_dir.filePath(u"bin/pico2wave"_qs));
    const QString words = csv(u"w.csv"_qs, "en,ch\napple,苹果\npear,梨\nplum,李子\nfig,无花果\n");
    const Outcome faster = run({u"--words"_qs, words, u"--out"_qs, out(), u"--voice"_qs, u"pico2wave-en-us"_qs,
                                u"--rate"_qs, u"150"_qs, u"--jobs"_qs, u"2"_qs, u"--quiet"_qs});
    EXPECT_EQ(faster.status, 0) << qPrintable(faster.err);
    EXPECT_EQ(written(), (QStringList{u"apple.wav"_qs, u"fig.wav"_qs, u"pear.wav"_qs, u"plum.wav"_qs}));
    EXPECT_EQ(faster.err.count(u"rate not available"_qs), 1) << qPrintable(faster.err);
    EXPECT_TRUE(faster.err.contains(u"lexovox-batch: Pico: speaking rate not available, its voices keep their own\n"_qs))
        << qPrintable(faster.err);

    const Outcome usual = run({u"--words"_qs, words, u"--out"_qs, out(), u"--voice"_qs, u"pico2wave-en-us"_qs,
                               u"--dry-run"_qs, u"--quiet"_qs});
    EXPECT_EQ(usual.status, 0) << qPrintable(usual.err);
    EXPECT_FALSE(usual.err.contains(u"rate not available"_qs)) << qPrintable(usual.err);
}

TEST_F(EngineCli, CtrlCLeavesNoProgramRunning)
{
    QProcess tool;
    tool.setWorkingDirectory(m_dir.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_DATA_HOME"_qs, m_dir.filePath(u"data"_qs));
    tool.setProcessEnvironment(environment);
    QByteArray list = "en,ch\n";
    for (int i = 0; i < 40; ++i)
        list += "slow,慢\n";
    tool.start(QStringLiteral(LEXOVOX_BATCH), {u"--words"_qs, csv(u"w.csv"_qs, list), u"--out"_qs, out(), u"--voice"_qs,
                                               u"piper-en-us-test-medium"_qs, u"--jobs"_qs, u"2"_qs, u"--quiet"_qs});
    ASSERT_TRUE(tool.waitForStarted());
    for (int i = 0; i < 200 && enginePids().size() < 2; ++i)
        QThread::msleep(50);
    ASSERT_GE(enginePids().size(), 1u);
    ::kill(pid_t(tool.processId()), SIGINT);
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 128 + SIGINT);
    QThread::msleep(200);
    for (const pid_t pid : enginePids())
        EXPECT_EQ(::kill(pid, 0), -1) << "engine process " << pid << " outlived the run";
}

} // namespace
