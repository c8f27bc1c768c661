#include <csignal>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include "batchclifixture.h"
#include "vocab/vocabimporter.h"

namespace {

TEST_F(BatchCli, UsageAndVocabularyErrorsExitWithTwoAndWriteNothing)
{
    const QString words = csv(u"w.csv"_qs, "en,ch\napple,苹果\n");
    const struct
    {
        QStringList arguments;
        const char* said;
    } cases[] = {
        {{u"--out"_qs, out()}, "give one of"},
        {{u"--out"_qs, out(), u"--words"_qs, words, u"--find-en"_qs, u"ap"_qs}, "give one of"},
        {{u"--words"_qs, words}, "--out"},
        {{u"--out"_qs, words, u"--words"_qs, words}, "w.csv is not a folder\n"},
        {{u"--out"_qs, out(), u"--words"_qs, words, u"--jobs"_qs, u"0"_qs}, "--jobs"},
        {{u"--out"_qs, out(), u"--words"_qs, words, u"--voice"_qs, u"no such voice"_qs}, "no voice matches"},
        {{u"--out"_qs, out(), u"--words"_qs, words, u"--format"_qs, u"16kHz"_qs}, "no format"},
        {{u"--out"_qs, out(), u"--words"_qs, m_dir.filePath(u"missing.csv"_qs)}, "missing.csv"},
        {{u"--out"_qs, out(), u"--words"_qs, csv(u"bad.csv"_qs, "english,chinese\na,b\n")}, "line 1"},
        // A word list needs no course column, so the message does not ask for one.
        {{u"--out"_qs, out(), u"--words"_qs, csv(u"empty.csv"_qs, "")}, "the columns en, ch\n"},
        {{u"--out"_qs, out(), u"--course"_qs, u"x"_qs, u"--vocabulary"_qs, m_dir.filePath(u"gone.dll"_qs)}, "gone.dll"},
        {{u"--out"_qs, out(), u"--find-en"_qs, u"a"_qs}, "two letters"},
        {{u"--out"_qs, out(), u"--course"_qs, u"中考词"_qs}, "see --list-courses"},
        {{u"--out"_qs, out(), u"--course"_qs, QString()}, "see --list-courses"},
        {{u"--out"_qs, out(), u"--find-en"_qs, u"qqzzxxj"_qs}, "no word matches"},
        {{u"--out"_qs, out(), u"--words"_qs, words, u"--voice"_qs, QString()}, "no voice matches"},
        {{u"--out"_qs, out(), u"--words"_qs, words, u"--loudness"_qs, u"nan"_qs}, "--loudness takes"},
        {{u"--bogus"_qs}, "bogus"},
        {{u"--out"_qs, out(), u"--words"_qs, words, u"--repeat"_qs, u"6"_qs}, "--repeat: The number of repeats is not 1–5"},
        {{u"--out"_qs, out(), u"--words"_qs, words, u"--pause"_qs, u"-5"_qs}, "--pause"},
        {{u"--out"_qs, out(), u"--words"_qs, words, u"--rate-chinese"_qs, u"201"_qs}, "--rate-chinese"},
        {{u"--out"_qs, out(), u"--words"_qs, words, u"--loudness"_qs, u"0"_qs}, "--loudness: The loudness is not -40–-10 LUFS"},
        {{u"--out"_qs, out(), u"--words"_qs, words, u"--loudness"_qs, u"-20"_qs, u"--no-loudness"_qs}, "contradict"},
        {{u"--out"_qs, out(), u"--words"_qs, words, u"--pronunciations"_qs, m_dir.filePath(u"nolist.txt"_qs)}, "nolist.txt"},
        {{u"--out"_qs, out(), u"--words"_qs, words, u"--type"_qs, u"mp3"_qs, u"--bitrate"_qs, u"32"_qs, u"--format"_qs,
          u"44kHz 16 Bit 双声道"_qs},
         "lexovox-batch: This sound format takes only these MP3 bit rates, lowest first: "
         "64, 80, 96, 112, 128, 160, 192, 224, 256, 320 kbps\n"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.status, 2) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(outcome.err.contains(QString::fromUtf8(c.said))) << c.said << " not in: " << outcome.err.toStdString();
    }
    EXPECT_TRUE(written().isEmpty());
}

// As batch tools on Linux do, --out makes a folder that is not there yet, with the folders it
// is in, and says so; a dry run only says it would. What is there and is no folder, or a folder
// that cannot be made, stops the run before anything is spoken.
TEST_F(BatchCli, AMissingOutFolderIsMadeWithItsParentsAndSaidSo)
{
    const QString words = csv(u"w.csv"_qs, "en,ch\napple,苹果\n");
    const QString fresh = m_dir.filePath(u"player/zk/七年级"_qs);
    const QStringList common{u"--words"_qs, words, u"--voice"_qs, u"flite-rms"_qs};

    const Outcome dry = run(QStringList{u"--out"_qs, fresh, u"--dry-run"_qs} + common);
    EXPECT_EQ(dry.status, 0) << dry.err.toStdString();
    EXPECT_TRUE(dry.err.startsWith(u"lexovox-batch: would create folder %1\n"_qs.arg(fresh))) << dry.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(u"player"_qs)));

    // A mistake elsewhere on the command line makes no folder either.
    for (const QStringList& wrong : {QStringList{u"--jobs"_qs, u"0"_qs}, QStringList{u"--words"_qs, m_dir.filePath(u"gone.csv"_qs)},
                                     QStringList{u"--words"_qs, csv(u"header.csv"_qs, "en,ch\n")}}) {
        EXPECT_EQ(run(QStringList{u"--out"_qs, fresh} + common + wrong).status, 2) << wrong.join(u' ').toStdString();
        EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(u"player"_qs))) << wrong.join(u' ').toStdString();
    }

    const Outcome made = run(QStringList{u"--out"_qs, fresh} + common);
    EXPECT_EQ(made.status, 0) << made.err.toStdString();
    EXPECT_TRUE(made.err.startsWith(u"lexovox-batch: created folder %1\n1 written"_qs.arg(fresh))) << made.err.toStdString();
    EXPECT_TRUE(whole(fresh, u"apple.wav"_qs));
    // Once there, nothing more is said of it.
    const Outcome again = run(QStringList{u"--out"_qs, fresh, u"--skip-existing"_qs} + common);
    EXPECT_TRUE(again.err.startsWith(u"0 written, 1 skipped"_qs)) << again.err.toStdString();

    // A file where a folder of the path should be: the system's reason, and the usage status.
    const QString blocked = words + u"/zk"_qs;
    const Outcome refused = run(QStringList{u"--out"_qs, blocked} + common);
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.startsWith(u"lexovox-batch: cannot create the folder %1: Not a directory\n"_qs.arg(blocked)))
        << refused.err.toStdString();
    // A folder closed to this user (root may write anywhere, so only for others).
    if (::geteuid() != 0) {
        const QString closed = m_dir.filePath(u"closed"_qs);
        ASSERT_TRUE(QDir().mkdir(closed));
        QFile::setPermissions(closed, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const Outcome denied = run(QStringList{u"--out"_qs, closed + u"/zk"_qs} + common);
        QFile::setPermissions(closed, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(denied.status, 2);
        EXPECT_TRUE(denied.err.contains(u"cannot create the folder %1/zk: Permission denied\n"_qs.arg(closed)))
            << denied.err.toStdString();
    }
}

TEST_F(BatchCli, ListsFormatsVoicesAndCourses)
{
    const Outcome formats = run({u"--list-formats"_qs});
    EXPECT_EQ(formats.status, 0);
    EXPECT_EQ(formats.out.split(u'\n', Qt::SkipEmptyParts).size(), 36);
    EXPECT_TRUE(formats.out.contains(u"16kHz 16 Bit 单声道\n"_qs));

    const Outcome voices = run({u"--list-voices"_qs});
    EXPECT_EQ(voices.status, 0);
    // One "short id<TAB>description" a line, the ids unique and typeable, the default first.
    const QStringList lines = voices.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 20);
    const QRegularExpression line(u"^([a-z0-9]+(?:-[a-z0-9]+)*)\t[^\t]+$"_qs);
    QStringList ids;
    for (const QString& l : lines) {
        const QRegularExpressionMatch match = line.match(l);
        EXPECT_TRUE(match.hasMatch()) << l.toStdString();
        ids << match.captured(1);
    }
    EXPECT_EQ(ids.removeDuplicates(), 0);
    EXPECT_TRUE(lines.first().startsWith(u"flite-rms\t"_qs)) << lines.first().toStdString();
    EXPECT_TRUE(lines.first().contains(u"Flite rms"_qs)) << lines.first().toStdString();

    // The tree's books, then the vocabulary's own courses in the order the file names them.
    const QString source = csv(u"v.csv"_qs, "en,ch,subclass\na,甲,Zoo list\nb,乙,人教版小学英语第一册\nc,丙,Apple list\n");
    ASSERT_TRUE(ImportVocabulary(source, m_dir.filePath(u"code.dll"_qs), true));
    const Outcome courses = run({u"--list-courses"_qs});
    EXPECT_EQ(courses.status, 0) << courses.err.toStdString();
    const QStringList names = courses.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(names.size(), 3);
    EXPECT_TRUE(names.contains(u"人教版小学英语第一册"_qs));
    EXPECT_EQ(names.mid(names.size() - 2), (QStringList{u"Zoo list"_qs, u"Apple list"_qs}));
}

TEST_F(BatchCli, WritesEveryWordOrNamesThoseWithoutAFile)
{
    const QString words = csv(u"w.csv"_qs, "en,ch\napple,苹果\nlook at,看\n");
    const Outcome ok = run({u"--out"_qs, out(), u"--words"_qs, words, u"--voice"_qs, u"espeak-en-us"_qs,
                            u"--format"_qs, u"16kHz 16 Bit 单声道"_qs, u"--meaning"_qs, u"--quiet"_qs});
    EXPECT_EQ(ok.status, 0) << ok.err.toStdString();
    EXPECT_TRUE(ok.err.isEmpty()) << ok.err.toStdString();
    EXPECT_EQ(written(), (QStringList{u"apple.wav"_qs, u"look at.wav"_qs}));
    // 16 kHz mono 16-bit: the format field of the header.
    EXPECT_EQ(bytes(u"apple.wav"_qs).mid(24, 4), QByteArray::fromHex("803e0000"));

    const QString some = csv(u"s.csv"_qs, "en,ch\npear,梨\na/b,斜\n");
    const Outcome partial = run({u"--out"_qs, out(), u"--words"_qs, some, u"--voice"_qs, u"eSpeak NG)"_qs});
    EXPECT_EQ(partial.status, 1);
    EXPECT_TRUE(partial.err.contains(u"a/b: 文件名不允许"_qs)) << partial.err.toStdString();
    EXPECT_TRUE(written().contains(u"pear.wav"_qs));

    // Kept as they are with --skip-existing.
    QFile mine(QDir(out()).filePath(u"apple.wav"_qs));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();
    const Outcome skipped = run({u"--out"_qs, out(), u"--words"_qs, words, u"--skip-existing"_qs, u"--voice"_qs,
                                 u"eSpeak NG)"_qs});
    EXPECT_EQ(skipped.status, 0);
    EXPECT_EQ(bytes(u"apple.wav"_qs), QByteArray("mine"));
    EXPECT_TRUE(skipped.err.contains(u"0 written, 2 skipped, 0 failed"_qs)) << skipped.err.toStdString();
}

TEST_F(BatchCli, MakesNumberedTaggedMp3FilesWithAPlaylist)
{
    const QString words = csv(u"w.csv"_qs, "en,ch\napple,苹果\nwhat?,什么\nWhat*,什么\n");
    const Outcome made = run({u"--out"_qs, out(), u"--words"_qs, words, u"--voice"_qs, u"eSpeak NG)"_qs, u"--type"_qs,
                              u"mp3"_qs, u"--number"_qs, u"--playlist"_qs, u"--quiet"_qs});
    EXPECT_EQ(made.status, 0) << made.err.toStdString();
    // Card-safe by default for MP3: FAT's refused characters become _, and names that then
    // meet (whatever their case) are both kept.
    EXPECT_EQ(written(), (QStringList{u"1 apple.mp3"_qs, u"2 what_.mp3"_qs, u"3 What_.mp3"_qs, u"out.m3u8"_qs}));
    EXPECT_TRUE(bytes(u"1 apple.mp3"_qs).startsWith("ID3")); // tagged before it took its name
    const QString playlist = QString::fromUtf8(bytes(u"out.m3u8"_qs));
    EXPECT_TRUE(playlist.startsWith(u"#EXTM3U\n"_qs));
    EXPECT_TRUE(playlist.contains(u",apple – 苹果\n1 apple.mp3\n"_qs)) << playlist.toStdString();

    const Outcome refused = run({u"--out"_qs, out(), u"--words"_qs, words, u"--type"_qs, u"ogg"_qs});
    EXPECT_EQ(refused.status, 2);
}

TEST_F(BatchCli, AWordSoundsTheSameAloneAfterOthersAndInAParallelRun)
{
    // Spelling, labels and the Mandarin meaning, in the default voice (English by Flite, Mandarin
    // by espeak-ng) and in a voice that is espeak-ng's alone: espeak-ng's wave generator carries
    // its phase from one text to the next, so a repeatable run holds only if no text starts
    // where another ended; a run that is not keeps the length within 100 ms.
    const QByteArray list = "en,ch\napple,n. 苹果\nthe,art. 这\nlook at,看\nbank,n. 银行；岸\npear,梨\n";
    for (const bool repeatable : {true, false}) {
        for (const QString& voice : {u"Flite rms"_qs, u"American English (eSpeak NG)"_qs}) {
            SCOPED_TRACE(voice.toStdString() + (repeatable ? " repeatable" : ""));
            QStringList common{u"--out"_qs, out(), u"--voice"_qs, voice, u"--spell"_qs, u"--labels"_qs, u"--meaning"_qs,
                               u"--quiet"_qs};
            if (repeatable)
                common << u"--repeatable"_qs;
            ASSERT_EQ(run(common + QStringList{u"--words"_qs, csv(u"1.csv"_qs, "en,ch\nbank,n. 银行；岸\n")}).status, 0);
            const QByteArray alone = bytes(u"bank.wav"_qs);
            const double aloneSeconds = seconds(u"bank.wav"_qs);
            ASSERT_GT(alone.size(), 1000);
            for (const QString& jobs : {u"1"_qs, u"2"_qs}) {
                ASSERT_EQ(run(common + QStringList{u"--words"_qs, csv(u"2.csv"_qs, list), u"--jobs"_qs, jobs}).status, 0);
                if (repeatable) {
                    EXPECT_TRUE(bytes(u"bank.wav"_qs) == alone) << "after other words, jobs " << jobs.toStdString() << ": "
                                                                << bytes(u"bank.wav"_qs).size() << " bytes, alone "
                                                                << alone.size();
                } else {
                    EXPECT_NEAR(seconds(u"bank.wav"_qs), aloneSeconds, 0.1) << "jobs " << jobs.toStdString();
                }
            }
        }
    }
}

TEST_F(BatchCli, SoundOptionsShapeTheFilesAndAFixedWordKeepsItsName)
{
    const QStringList plain{u"--out"_qs, out(), u"--words"_qs, csv(u"w.csv"_qs, "en,ch\nlead,铅\n"), u"--voice"_qs,
                            u"eSpeak NG"_qs, u"--quiet"_qs, u"--no-loudness"_qs, u"--lead"_qs, u"0"_qs, u"--trail"_qs, u"0"_qs};
    ASSERT_EQ(run(plain).status, 0);
    const double once = seconds(u"lead.wav"_qs);
    const QByteArray asWritten = bytes(u"lead.wav"_qs);
    ASSERT_GT(once, 0.2);
    // The files' own defaults: silence at both ends, one loudness.
    ASSERT_EQ(run(plain.mid(0, 7)).status, 0);
    EXPECT_NEAR(seconds(u"lead.wav"_qs), once + 0.4, 0.03);
    // Each repeat adds the word, each pause its length.
    ASSERT_EQ(run(plain + QStringList{u"--repeat"_qs, u"2"_qs, u"--pause"_qs, u"0"_qs}).status, 0);
    const double twice = seconds(u"lead.wav"_qs);
    ASSERT_EQ(run(plain + QStringList{u"--repeat"_qs, u"3"_qs, u"--pause"_qs, u"0"_qs}).status, 0);
    const double thrice = seconds(u"lead.wav"_qs);
    EXPECT_GT(thrice - twice, 0.3);
    ASSERT_EQ(run(plain + QStringList{u"--repeat"_qs, u"3"_qs, u"--pause"_qs, u"1000"_qs}).status, 0);
    EXPECT_NEAR(seconds(u"lead.wav"_qs), thrice + 2.0, 0.03);
    ASSERT_EQ(run(plain + QStringList{u"--rate"_qs, u"50"_qs}).status, 0);
    EXPECT_GT(seconds(u"lead.wav"_qs), once * 1.5);

    // A list with one good rule and one broken line: the line is named, the rule applies, and
    // the file keeps the headword's name.
    const QString list = csv(u"fixes.txt"_qs, "lead\t[[l'Ed]]\nbroken line\n");
    const Outcome fixed = run(plain + QStringList{u"--pronunciations"_qs, list});
    EXPECT_EQ(fixed.status, 0);
    EXPECT_TRUE(fixed.err.contains(u"fixes.txt: line 2: no tab"_qs)) << fixed.err.toStdString();
    EXPECT_EQ(written(), QStringList{u"lead.wav"_qs});
    EXPECT_NE(bytes(u"lead.wav"_qs), asWritten);
}

TEST_F(BatchCli, ADryRunPrintsWhatEachVoiceWouldBeGivenAndWritesNothing)
{
    const QString words = csv(u"w.csv"_qs, "en,ch\nbank,\"n. 银行，堤\"\nmusic,音乐\n银行,\na/b,斜\n");
    const QString list = csv(u"list.txt"_qs, "音乐\tyin1 le4\n");
    QFile kept(QDir(out()).filePath(u"music.wav"_qs));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("kept");
    kept.close();
    const QStringList before = written();
    // Everything that writes in a real run: a playlist, MP3 files, files kept or replaced.
    const QStringList common{u"--dry-run"_qs, u"--out"_qs, out(), u"--words"_qs, words, u"--meaning"_qs,
                             u"--pronunciations"_qs, list, u"--playlist"_qs};

    const Outcome bilingual = run(common + QStringList{u"--skip-existing"_qs, u"--labels"_qs, u"--voice"_qs, u"espeak-en-us"_qs});
    // A word without a file is said, as a run would end.
    EXPECT_EQ(bilingual.status, 1) << bilingual.err.toStdString();
    EXPECT_EQ(bilingual.out, u"bank.wav\tbank\n"
                             "\tcmn-latn-pinyin\tsay\tdan1 ci2:\n"
                             "\ten-us\tsay\tbank;;n. \n"
                             "\tcmn-latn-pinyin\tsay\tyin2 hang2，di1 ;\n"
                             "music.wav\tmusic\tskipped: the file exists\n"
                             "银行.wav\t银行\n"
                             "\tcmn-latn-pinyin\tsay\tdan1 ci2:yin2 hang2;; ;\n"
                             "-\ta/b\t文件名不允许\n"_qs);
    EXPECT_TRUE(bilingual.err.contains(u"nothing written"_qs)) << bilingual.err.toStdString();

    // The list's reading of a Chinese word, in the default voice; a voice that reads no pinyin
    // gets the characters.
    const Outcome listed = run(common + QStringList{u"--quiet"_qs});
    EXPECT_TRUE(listed.out.contains(u"music;;\n\tcmn-latn-pinyin\tsay\tyin1 le4 ;\n"_qs)) << listed.out.toStdString();
    EXPECT_TRUE(listed.err.isEmpty()) << listed.err.toStdString();
    const Outcome espeakAlone = run(common + QStringList{u"--type"_qs, u"mp3"_qs, u"--voice"_qs, u"espeak-ng-en-us"_qs});
    EXPECT_TRUE(espeakAlone.out.contains(u"\tgmw/en-US\tsay\t音乐 ;\n"_qs)) << espeakAlone.out.toStdString();

    EXPECT_EQ(written(), before);
    EXPECT_EQ(bytes(u"music.wav"_qs), QByteArray("kept"));
}

TEST_F(BatchCli, CtrlCOrKillToTheWholeGroupStopsAfterTheWordsInProgressNotInThem)
{
    const QString words = manyWords(400);
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        QDir(out()).removeRecursively();
        QDir().mkpath(out());
        // As a terminal runs it: in a process group of its own, which Ctrl+C signals whole.
        QProcess tool;
        tool.setChildProcessModifier([] { ::setpgid(0, 0); });
        tool.start(QStringLiteral(LEXOVOX_BATCH), {u"--out"_qs, out(), u"--words"_qs, words, u"--voice"_qs,
                                                  u"flite-rms"_qs, u"--jobs"_qs, u"2"_qs});
        ASSERT_TRUE(tool.waitForStarted());
        for (int i = 0; i < 600 && written().filter(QRegularExpression(u"^word.*\\.wav$"_qs)).isEmpty(); ++i)
            QThread::msleep(100);
        ::kill(-pid_t(tool.processId()), signal);
        ASSERT_TRUE(tool.waitForFinished(60000));
        EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(tool.exitCode(), 128 + signal);
        const QString said = QString::fromUtf8(tool.readAllStandardError());
        EXPECT_FALSE(said.contains(u": word"_qs)) << "a word in progress failed: " << said.toStdString();
        const QStringList files = written();
        EXPECT_GT(files.size(), 0);
        EXPECT_TRUE(said.contains(QStringLiteral("%1 written, 0 skipped, 0 failed").arg(files.size()))) << said.toStdString();
        for (const QString& file : files)
            EXPECT_TRUE(!file.startsWith(u'.') && whole(out(), file)) << file.toStdString();
    }
}

TEST_F(BatchCli, AnInterruptStopsAfterTheWordsInProgressLeavingWholeFiles)
{
    QProcess tool;
    tool.start(QStringLiteral(LEXOVOX_BATCH), {u"--out"_qs, out(), u"--words"_qs, manyWords(400),
                                              u"--voice"_qs, u"Flite rms"_qs, u"--quiet"_qs});
    ASSERT_TRUE(tool.waitForStarted());
    for (int i = 0; i < 600 && written().filter(u".wav"_qs).filter(QRegularExpression(u"^word"_qs)).isEmpty(); ++i)
        QThread::msleep(100);
    ::kill(pid_t(tool.processId()), SIGINT);
    ASSERT_TRUE(tool.waitForFinished(60000));
    // Stopped by the program itself, not killed by the signal.
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), 128 + SIGINT);
    const QStringList files = written();
    EXPECT_GT(files.size(), 0);
    EXPECT_LT(files.size(), 400);
    for (const QString& file : files)
        EXPECT_FALSE(file.startsWith(u'.')) << file.toStdString();
}

} // namespace

namespace {

TEST(Worker, ABrokenJobIsRefusedInWordsAndNothingIsSpoken)
{
    const QString worker = QFileInfo(QStringLiteral(LEXOVOX_BATCH)).dir().filePath(u"lexovox-worker"_qs);
    const struct
    {
        QByteArray input;
        const char* said;
    } cases[] = {
        {"", "no job"},
        {"{not json\n", "not a JSON object"},
        {"{}\n", "source"},
        {"[1,2]\n", "not a JSON object"},
    };
    for (const auto& c : cases) {
        QProcess process;
        process.start(worker, {});
        ASSERT_TRUE(process.waitForStarted());
        process.write(c.input);
        process.closeWriteChannel();
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 1) << c.said;
        const QString said = QString::fromUtf8(process.readAllStandardOutput());
        EXPECT_TRUE(said.startsWith(u"{\"error\":"_qs) && said.contains(QString::fromUtf8(c.said)))
            << c.said << ": " << said.toStdString();
    }
}

} // namespace
