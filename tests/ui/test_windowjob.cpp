#include <QComboBox>
#include <QCommandLineParser>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

#include "jobcommandline.h"
#include "output/joboptions.h"
#include "ui/outputoptionsdlg.h"
#include "ui/windowsettings.h"

// The window and lexovox-batch describe a run each their own way; equal choices must make
// equal jobs, or the two front ends write different files for the same request.
class TestWindowJob : public QObject
{
    Q_OBJECT

private:
    static BatchDefaults defaults()
    {
        BatchDefaults d;
        d.voices = {{u"LONG\\default"_qs, u"default"_qs, u"Default voice"_qs, u"默认"_qs, u"Default voice"_qs, false, nullptr},
                    {u"LONG\\other"_qs, u"other"_qs, u"Other voice (eSpeak NG)"_qs, u"另一个"_qs, u"Other voice (eSpeak NG)"_qs, true, nullptr},
                    {u"LONG\\zh"_qs, u"piper-zh-cn-x"_qs, u"Piper zh_CN-x"_qs, u"Piper zh_CN-x"_qs, u"Piper zh_CN-x"_qs, true, nullptr, true}};
        d.voiceId = u"LONG\\default"_qs;
        d.formatCode = 18;
        return d;
    }

    static Result<BatchJob> fromCommandLine(const QStringList& arguments)
    {
        QCommandLineParser parser;
        AddBatchJobOptions(parser);
        if (!parser.parse(QStringList{u"lexovox-batch"_qs} + arguments))
            return Fail(ComError(ResultCode::CommandLineUsage, parser.errorText()));
        return ReadBatchJob(parser, defaults());
    }

private slots:
    void equalChoicesMakeEqualJobs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("change");
        QTest::newRow("defaults") << QStringList{} << 0;
        QTest::newRow("options and voice") << QStringList{u"--spell"_qs, u"--meaning"_qs, u"--labels"_qs,
                                                          u"--voice"_qs, u"eSpeak"_qs, u"--skip-existing"_qs} << 1;
        QTest::newRow("mp3 course files") << QStringList{u"--type"_qs, u"mp3"_qs, u"--bitrate"_qs, u"96"_qs,
                                                         u"--number"_qs, u"--playlist"_qs, u"--no-card-safe"_qs,
                                                         u"--repeatable"_qs, u"--format"_qs, u"22kHz 16 Bit 单声道"_qs} << 2;
        QTest::newRow("dictation sound") << QStringList{u"--repeat"_qs, u"2"_qs, u"--pause"_qs, u"1500"_qs,
                                                        u"--rate"_qs, u"80"_qs, u"--rate-chinese"_qs, u"120"_qs,
                                                        u"--lead"_qs, u"0"_qs, u"--trail"_qs, u"2000"_qs,
                                                        u"--no-loudness"_qs} << 3;
        QTest::newRow("loudness and list") << QStringList{u"--loudness"_qs, u"-23"_qs, u"--pronunciations"_qs,
                                                          u"/lists/fixes.txt"_qs, u"--type"_qs, u"opus"_qs} << 4;
        QTest::newRow("dictation lesson") << QStringList{u"--lesson"_qs, u"--per-word"_qs, u"--lesson-pause"_qs,
                                                         u"8000"_qs, u"--sheets"_qs, u"chinese"_qs, u"--key"_qs} << 5;
    }

    void equalChoicesMakeEqualJobs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, change);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());

        // The window's choices for the same run, as the user sets them in its controls.
        WindowSettings settings;
        BatchJob& window = settings.job;
        window.folder = dir.path();
        window.voiceId = u"LONG\\default"_qs;
        window.formatCode = 18;
        switch (change) {
        case 1:
            window.speech = {true, true, true};
            window.voiceId = u"LONG\\other"_qs;
            window.skipExisting = true;
            break;
        case 2:
            window.files.encoding = speech::FileEncoding::Of(speech::OutputFileType::Mp3, 96);
            window.files.numbered = window.files.playlist = window.files.repeatable = true;
            window.files.cardSafe = false;
            window.formatCode = 22;
            break;
        case 3:
            window.sound.repeat = 2;
            window.sound.pauseMs = 1500;
            window.sound.englishRate = 80;
            window.sound.chineseRate = 120;
            window.sound.leadMs = 0;
            window.sound.trailMs = 2000;
            window.sound.loudnessLufs.reset();
            break;
        case 4:
            window.sound.loudnessLufs = -23;
            window.sound.pronunciations = u"/lists/fixes.txt"_qs;
            window.files.encoding.type = speech::OutputFileType::Opus;
            break;
        case 5:
            // The window writes the words' files beside a lesson; it has no choice of a lesson alone.
            window.lesson.track = window.lesson.key = true;
            window.lesson.pauseMs = 8000;
            window.lesson.sheet = LessonOptions::Sheet::Chinese;
            break;
        }
        const WordSource course{WordSource::Kind::Course, u"中考词汇"_qs};
        const std::vector<WordEntry> rows{{u"apple"_qs, u"苹果"_qs}, {u"bank"_qs, u"银行"_qs}};
        const BatchJob fromWindow = JobFromWindow(settings, course, rows);

        Result<BatchJob> fromCli = fromCommandLine(arguments + QStringList{u"--out"_qs, dir.path(), u"--course"_qs,
                                                                           u"中考词汇"_qs});
        QVERIFY2(fromCli, qPrintable(fromCli ? QString() : fromCli.error().ErrorMessage()));
        fromCli->rows = rows;  // read from the vocabulary by the same statement the tree runs
        QCOMPARE(QString::fromUtf8(QJsonDocument(fromCli->ToJson()).toJson()),
                 QString::fromUtf8(QJsonDocument(fromWindow.ToJson()).toJson()));
        QVERIFY(*fromCli == fromWindow);
    }

    void theCommandLineRefusesWhatTheWindowCannotChoose()
    {
        QTemporaryDir dir;
        const QStringList base{u"--out"_qs, dir.path(), u"--course"_qs, u"x"_qs};
        for (const QStringList& wrong :
             {QStringList{u"--voice"_qs, QString()}, QStringList{u"--voice"_qs, u"nobody"_qs},
              QStringList{u"--loudness"_qs, u"nan"_qs}, QStringList{u"--find-en"_qs, u"ap"_qs},
              QStringList{u"--type=flac"_qs}, QStringList{u"--bitrate=fast"_qs}, QStringList{u"--repeat=1.5"_qs},
              QStringList{u"--card-safe"_qs, u"--no-card-safe"_qs}, QStringList{u"--loudness=-20"_qs, u"--no-loudness"_qs},
              QStringList{u"--per-word"_qs}, QStringList{u"--lesson-pause=8000"_qs}, QStringList{u"--sheets=all"_qs},
              QStringList{u"--chinese-voice"_qs, u"nobody"_qs}, QStringList{u"--chinese-voice"_qs, u"other"_qs}}) {
            const Result<BatchJob> job = fromCommandLine(base + wrong);
            QVERIFY2(!job, qPrintable(wrong.join(u' ')));
            // Said in words that name the option.
            QVERIFY2(job.error().Subject().contains(wrong.first().section(u'=', 0, 0).mid(2)) || wrong.first() == u"--find-en",
                     qPrintable(job.error().ErrorMessage()));
        }
        // A voice by its short id or any part of either description, as the window lists it.
        QCOMPARE(fromCommandLine(base + QStringList{u"--voice"_qs, u"另一"_qs})->voiceId, u"LONG\\other"_qs);
        QCOMPARE(fromCommandLine(base + QStringList{u"--voice"_qs, u"other"_qs})->voiceId, u"LONG\\other"_qs);
        // A Chinese voice by its short id as a file names it; the job keeps its long id.
        QCOMPARE(fromCommandLine(base + QStringList{u"--chinese-voice"_qs, u"piper-zh_CN-x"_qs})->sound.chineseVoice,
                 u"LONG\\zh"_qs);
        // A value out of range is the job's to refuse, once, as it is from the window.
        const Result<BatchJob> many = fromCommandLine(base + QStringList{u"--jobs=0"_qs});
        QVERIFY(many);
        QCOMPARE(many->Validate().error().Error(), ResultCode::JobBadProcesses);
        QCOMPARE(fromCommandLine(base + QStringList{u"--type=MP3"_qs})->files.encoding.type, speech::OutputFileType::Mp3);
    }

    // The window's 中文语音 gives the job the same long id the command line finds by short id.
    void theWindowOffersTheDefaultMandarinAndEachChineseVoice()
    {
        const std::vector<ChineseVoiceEntry> voices{{u"LONG\\zh"_qs, u"Piper zh_CN-x"_qs}};
        SoundOptions sound;
        sound.chineseVoice = u"LONG\\zh"_qs;
        {
            OutputOptionsDlg dialog(OutputFileOptions{}, sound, LessonOptions{}, 18, voices);
            auto* list = dialog.findChild<QComboBox*>(u"chineseVoiceComboBox"_qs);
            QVERIFY(list);
            QCOMPARE(list->count(), 2);
            QCOMPARE(list->itemText(0), u"普通话（eSpeak NG，默认）"_qs);
            QCOMPARE(list->currentText(), u"Piper zh_CN-x"_qs);
            QCOMPARE(dialog.soundOptions().chineseVoice, u"LONG\\zh"_qs);
            list->setCurrentIndex(0);
            QVERIFY(dialog.soundOptions().chineseVoice.isEmpty());
        }
        // A voice no longer installed reads as the default.
        sound.chineseVoice = u"LONG\\gone"_qs;
        OutputOptionsDlg dialog(OutputFileOptions{}, sound, LessonOptions{}, 18, voices);
        QVERIFY(dialog.soundOptions().chineseVoice.isEmpty());
    }

    void theCommandLineMakesALessonInsteadOfTheFilesUnlessAskedForBoth()
    {
        QTemporaryDir dir;
        const auto lessonOf = [&](const QStringList& arguments) {
            const Result<BatchJob> job = fromCommandLine(QStringList{u"--out"_qs, dir.path(), u"--course"_qs, u"x"_qs} + arguments);
            return job ? job->lesson : LessonOptions{};
        };
        QCOMPARE(lessonOf({}), LessonOptions());
        QVERIFY(!lessonOf({}).Any());
        const LessonOptions lesson = lessonOf({u"--lesson"_qs, u"--lesson-pause"_qs, u"8000"_qs});
        QVERIFY(lesson.track && !lesson.perWord);
        QCOMPARE(lesson.pauseMs, 8000);
        QVERIFY(lessonOf({u"--lesson"_qs, u"--per-word"_qs}).perWord);
        // Sheets and the key need no track, and keep the words' files.
        const LessonOptions sheets = lessonOf({u"--sheets"_qs, u"chinese"_qs, u"--key"_qs});
        QCOMPARE(sheets.sheet, LessonOptions::Sheet::Chinese);
        QVERIFY(sheets.key && sheets.perWord && !sheets.track);
    }

    // Every option of the table, set to a value other than its default, survives the window's
    // settings, the job, its JSON as the worker reads it, and the command line, by name.
    void everyOptionSurvivesEveryPlaceItIsKept()
    {
        QTemporaryDir dir;
        const BatchJob defaults;
        for (const JobOption& option : JobOptions()) {
            const QString name(option.json);
            const QVariant usual = JobOptionValue(option, defaults);
            const QVariant other = otherValue(option, usual);
            BatchJob changed;
            changed.folder = dir.path();
            QVERIFY2(SetJobOptionValue(option, changed, other), qPrintable(name));
            QVERIFY2(JobOptionInRange(option, changed), qPrintable(name));

            if (!option.setting.isEmpty()) {
                SaveWindowSettings({changed, false});
                const BatchJob restored = JobFromWindow(LoadWindowSettings(), {}, {});
                QCOMPARE(JobOptionValue(option, restored), other);
                SaveWindowSettings({});
                QCOMPARE(JobOptionValue(option, LoadWindowSettings().job), usual);
            }

            const QByteArray line = QJsonDocument(changed.ToJson()).toJson(QJsonDocument::Compact);
            const Result<BatchJob> worker = BatchJob::FromJson(QJsonDocument::fromJson(line).object());
            QVERIFY2(worker, qPrintable(name));
            QCOMPARE(JobOptionValue(option, *worker), other);

            if (!option.flag.isEmpty()) {
                QStringList arguments{u"--out"_qs, dir.path(), u"--course"_qs, u"x"_qs};
                if (!option.needs.isEmpty())
                    arguments << u"--"_qs + QString(option.needs);
                if (!other.isValid() || (other.typeId() == QMetaType::Bool && !other.toBool())) {
                    // Off by its --no-… flag; the words' own files beside a lesson by leaving out --per-word.
                    if (!option.offFlag.isEmpty())
                        arguments << u"--"_qs + QString(option.offFlag);
                }
                else if (option.valueName.isEmpty())
                    arguments << u"--"_qs + QString(option.flag);
                else
                    arguments << u"--"_qs + QString(option.flag) << other.toString();
                const Result<BatchJob> fromCli = fromCommandLine(arguments);
                QVERIFY2(fromCli, qPrintable(arguments.join(u' ')));
                QCOMPARE(JobOptionValue(option, *fromCli), other);
            }
        }
    }

private:
    /// A value of `option` other than `usual` and within its range.
    static QVariant otherValue(const JobOption& option, const QVariant& usual)
    {
        if (!option.names.empty())
            return QString(option.names.back());
        if (option.HasRange())
            return option.json == "sound.loudness"_L1 ? QVariant(option.low) : QVariant(int(option.high));
        if (option.json == "sound.chineseVoice"_L1)
            return u"LONG\\zh"_qs;  // a Chinese voice of defaults(), by the id the job keeps
        if (usual.typeId() == QMetaType::QString)
            return u"/lists/mine.txt"_qs;
        // A switch, or card-safe names (by type unless asked): the other way.
        return !usual.isValid() ? QVariant(false) : QVariant(!usual.toBool());
    }
};

QTEST_MAIN(TestWindowJob)
#include "test_windowjob.moc"
