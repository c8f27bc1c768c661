#include <functional>
#include <vector>

#include <sqlite3.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTimer>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QProgressBar>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "output/batchengine.h"
#include "ui/cwordspeechdlg.h"
#include "ui/programsettings.h"
#include "ui/folderbrowser.h"
#include "ui/prompt.h"
#include "ui/windowsettings.h"
#include "vocab/ownlists.h"
#include "vocab/wordlistmodel.h"

class TestGeneration : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ProgramSettings()->clear(); // each test starts from a first run
        Prompt::setTesting(true);
        Prompt::takeShown();
        m_dlg = new CWordSpeechDlg(nullptr);
        m_model = m_dlg->wordListModel();
        m_generate = m_dlg->findChild<QPushButton*>(QStringLiteral("generateButton"));
        m_progress = m_dlg->findChild<QProgressBar*>(QStringLiteral("generateProgressBar"));
        QVERIFY(m_generate && m_progress);
    }

    void cleanup()
    {
        delete m_dlg;
        m_dlg = nullptr;
    }

    void withoutAFolderItAsksThenBrowsesAndWritesNothing()
    {
        m_model->append({{QStringLiteral("apple"), QStringLiteral("苹果")}});
        m_model->checkAll();
        const int browsed = FolderBrowser::browseCount();
        FolderBrowser::setNextResult(QString()); // the user cancels the browser
        QTest::mouseClick(m_generate, Qt::LeftButton);
        const QList<Prompt::Message> shown = Prompt::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QStringLiteral("消息"));
        QCOMPARE(shown[0].text, QStringLiteral("请选择存储路径,并重新按“生成文件”按钮"));
        QCOMPARE(shown[0].icon, QMessageBox::NoIcon);
        QCOMPARE(FolderBrowser::browseCount(), browsed + 1);

        // A chosen folder fills the box; this press still wrote nothing.
        QTemporaryDir dir;
        FolderBrowser::setNextResult(dir.path());
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QCOMPARE(m_dlg->findChild<QLineEdit*>(QStringLiteral("outputFolderEdit"))->text(), dir.path());
        QVERIFY(QDir(dir.path()).isEmpty());
        QCOMPARE(Prompt::takeShown().size(), 1);
    }

    void checkedRowsBecomeFilesNamedAsListedWithProgress()
    {
        QTemporaryDir dir;
        chooseFolder(dir.path());
        m_model->append({{QStringLiteral("skip"), QStringLiteral("跳过")},
                         {QStringLiteral("CD"), QStringLiteral("光盘")},
                         {QStringLiteral("look at"), QStringLiteral("看")}});
        m_model->setChecked(1, true);
        m_model->setChecked(2, true);
        QSignalSpy values(m_progress, &QProgressBar::valueChanged);
        QTest::mouseClick(m_generate, Qt::LeftButton);
        // The window is not held up by the run: the button now stops it.
        QCOMPARE(m_generate->text(), QStringLiteral("停止"));
        QVERIFY(m_generate->isEnabled());
        QCOMPARE(m_progress->maximum(), 2); // the checked words
        QCOMPARE(m_progress->format(), QStringLiteral("0/2"));
        QVERIFY(waitForTheEnd());

        QCOMPARE(m_progress->value(), 0);
        std::vector<int> seen;
        for (const QList<QVariant>& value : values)
            seen.push_back(value.at(0).toInt());
        QCOMPARE(seen, (std::vector<int>{1, 2, 0})); // 0 first is no change from the idle bar
        QCOMPARE(m_generate->text(), QStringLiteral("生成文件"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{QStringLiteral("CD.wav"), QStringLiteral("look at.wav")}));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("CD.wav"))).size() > 1000);
        const QList<Prompt::Message> shown = Prompt::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QStringLiteral("信息"));
        QVERIFY2(shown[0].text.startsWith(QStringLiteral("语音文件生成完毕\n\n已生成 2 个文件，用时 ")), qPrintable(shown[0].text));
        QCOMPARE(shown[0].icon, QMessageBox::NoIcon);
        QVERIFY(m_generate->isEnabled());
    }

    void stopEndsTheRunWithWholeFilesAndSaysSo()
    {
        QTemporaryDir dir;
        chooseFolder(dir.path());
        checkManyWords();
        QSignalSpy progress(&m_dlg->batchEngine(), &BatchEngine::progress);
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QVERIFY(progress.wait(60000));
        QTest::mouseClick(m_generate, Qt::LeftButton); // 停止
        QVERIFY(waitForTheEnd());

        const QString text = Prompt::takeShown().value(0).text;
        QVERIFY2(text.startsWith(QStringLiteral("语音文件生成已停止\n")), qPrintable(text));
        const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QVERIFY(!files.isEmpty() && files.size() < 200);
        QVERIFY2(text.contains(QStringLiteral("已生成 %1 个文件").arg(files.size())), qPrintable(text));
        for (const QString& file : files)
            QVERIFY2(file.endsWith(QStringLiteral(".wav")) && !file.startsWith(u'.'), qPrintable(file));
        QVERIFY(m_dlg->findChild<QPushButton*>(QStringLiteral("checkAllButton"))->isEnabled());
    }

    void skipExistingKeepsFilesThatAreThere()
    {
        QTemporaryDir dir;
        chooseFolder(dir.path());
        QFile mine(dir.filePath(QStringLiteral("apple.wav")));
        QVERIFY(mine.open(QIODevice::WriteOnly));
        mine.write("mine");
        mine.close();
        m_model->append({{QStringLiteral("apple"), QStringLiteral("苹果")}, {QStringLiteral("pear"), QStringLiteral("梨")}});
        m_model->checkAll();
        auto* skip = m_dlg->findChild<QCheckBox*>(QStringLiteral("skipExistingCheckBox"));
        QVERIFY(skip);
        QCOMPARE(skip->text(), QStringLiteral("跳过已有文件"));
        skip->setChecked(true);
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QVERIFY(!skip->isEnabled());
        QVERIFY(waitForTheEnd());
        QVERIFY(skip->isEnabled());
        QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("apple.wav"))).size(), 4);
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("pear.wav"))).size() > 1000);
        const QString text = Prompt::takeShown().value(0).text;
        QVERIFY2(text.contains(QStringLiteral("已生成 1 个文件，跳过 1 个已有文件")), qPrintable(text));
    }

    void closingDuringARunStopsItThenCloses()
    {
        QTemporaryDir dir;
        chooseFolder(dir.path());
        checkManyWords();
        m_dlg->show();
        QSignalSpy progress(&m_dlg->batchEngine(), &BatchEngine::progress);
        QSignalSpy rejected(m_dlg, &QDialog::rejected);
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QVERIFY(progress.wait(60000));
        m_dlg->close();
        QVERIFY(rejected.wait(60000));
        QVERIFY(!m_dlg->batchEngine().IsRunning());
        QVERIFY(Prompt::takeShown().isEmpty()); // no closing message for a window that is going
        for (const QString& file : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(!file.startsWith(u'.'), qPrintable(file));
    }

    void unsafeNamesAndVanishedFoldersAreReportedNotWritten()
    {
        QTemporaryDir parent;
        const QString folder = parent.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(folder));
        chooseFolder(folder);
        m_model->append({{QStringLiteral("a/b"), QStringLiteral("斜线")}, {QStringLiteral(".."), QStringLiteral("上")}});
        m_model->checkAll();
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QVERIFY(waitForTheEnd());
        QVERIFY(QDir(folder).isEmpty());
        QCOMPARE(QDir(parent.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("out")});
        QString text = Prompt::takeShown().value(0).text;
        QVERIFY2(text.startsWith(QStringLiteral("语音文件生成完毕\n")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("2 个文件未能生成")), qPrintable(text));

        QVERIFY(QDir(folder).removeRecursively());
        m_model->clear();
        m_model->append({{QStringLiteral("apple"), QStringLiteral("苹果")}});
        m_model->checkAll();
        // A folder gone since it was chosen is named before anything is spoken.
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QVERIFY(!m_dlg->batchEngine().IsRunning());
        text = Prompt::takeShown().value(0).text;
        QCOMPARE(text, QStringLiteral("文件夹不存在：") + folder);
    }

    void optionsMakeNumberedMp3FilesWithAPlaylistAndAreKeptForTheNextRun()
    {
        QTemporaryDir dir;
        chooseFolder(dir.path());
        m_model->append({{QStringLiteral("apple"), QStringLiteral("苹果")}, {QStringLiteral("what?"), QStringLiteral("什么")}});
        m_model->checkAll();
        m_dlg->findChild<QCheckBox*>(QStringLiteral("spellOutCheckBox"))->setChecked(true);
        answerOptions([](QDialog* options) {
            auto* type = options->findChild<QComboBox*>(QStringLiteral("fileTypeComboBox"));
            type->setCurrentIndex(type->findText(QStringLiteral("MP3")));
            QVERIFY(options->findChild<QCheckBox*>(QStringLiteral("cardSafeCheckBox"))->isChecked());
            options->findChild<QCheckBox*>(QStringLiteral("numberedCheckBox"))->setChecked(true);
            options->findChild<QCheckBox*>(QStringLiteral("playlistCheckBox"))->setChecked(true);
            options->accept();
        });
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QVERIFY(waitForTheEnd());
        const QString playlist = QFileInfo(dir.path()).fileName() + QStringLiteral(".m3u8");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
                 (QStringList{QStringLiteral("1 apple.mp3"), QStringLiteral("2 what_.mp3"), playlist}));
        Prompt::takeShown();

        // A new window (the next run of the program) starts with the same choices.
        delete m_dlg;
        m_dlg = new CWordSpeechDlg(nullptr);
        QCOMPARE(m_dlg->findChild<QLineEdit*>(QStringLiteral("outputFolderEdit"))->text(), dir.path());
        QVERIFY(m_dlg->findChild<QCheckBox*>(QStringLiteral("spellOutCheckBox"))->isChecked());
        answerOptions([](QDialog* options) {
            QCOMPARE(options->findChild<QComboBox*>(QStringLiteral("fileTypeComboBox"))->currentText(), QStringLiteral("MP3"));
            QVERIFY(options->findChild<QCheckBox*>(QStringLiteral("numberedCheckBox"))->isChecked());
            options->reject();
        });
        m_model = m_dlg->wordListModel();
        m_generate = m_dlg->findChild<QPushButton*>(QStringLiteral("generateButton"));
        m_progress = m_dlg->findChild<QProgressBar*>(QStringLiteral("generateProgressBar"));
    }

    void soundOptionsShapeTheFilesShowTheListsFaultsAndAreKept()
    {
        QTemporaryDir dir;
        QFile list(dir.filePath(QStringLiteral("fixes.txt")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("apple\tapple pie\nno tab here\n");
        list.close();
        // Set between two windows: a closing window saves its own choices.
        delete m_dlg;
        m_dlg = nullptr;
        ProgramSettings()->setValue(QStringLiteral("sound/pronunciations"), list.fileName());
        reopen();
        const QString out = dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(out));
        chooseFolder(out);
        m_model->append({{QStringLiteral("apple"), QStringLiteral("苹果")}});
        m_model->checkAll();

        answerOptions([](QDialog* options) {
            QCOMPARE(options->findChild<QLabel*>(QStringLiteral("pronunciationPathLabel"))->text(), QStringLiteral("fixes.txt"));
            const QString state = options->findChild<QLabel*>(QStringLiteral("pronunciationStateLabel"))->text();
            QVERIFY2(state.contains(QStringLiteral("1 条读法")) && state.contains(QStringLiteral("第 2 行")), qPrintable(state));
            options->findChild<QSpinBox*>(QStringLiteral("repeatSpinBox"))->setValue(2);
            options->findChild<QSpinBox*>(QStringLiteral("pauseSpinBox"))->setValue(2000);
            options->findChild<QSpinBox*>(QStringLiteral("leadSpinBox"))->setValue(0);
            options->findChild<QSpinBox*>(QStringLiteral("trailSpinBox"))->setValue(0);
            options->findChild<QCheckBox*>(QStringLiteral("loudnessCheckBox"))->setChecked(false);
            options->accept();
        });
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QVERIFY(waitForTheEnd());
        Prompt::takeShown();
        // "apple pie", a 2 s pause, "apple pie" again: longer than 2.5 s of 16-bit 16 kHz sound.
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList{QStringLiteral("apple.wav")});
        QVERIFY(QFileInfo(QDir(out).filePath(QStringLiteral("apple.wav"))).size() > 32000 * 5 / 2);

        reopen();
        answerOptions([](QDialog* options) {
            QCOMPARE(options->findChild<QSpinBox*>(QStringLiteral("repeatSpinBox"))->value(), 2);
            QCOMPARE(options->findChild<QSpinBox*>(QStringLiteral("pauseSpinBox"))->value(), 2000);
            QVERIFY(!options->findChild<QCheckBox*>(QStringLiteral("loudnessCheckBox"))->isChecked());
            options->reject();
        });
    }

    void lessonChoicesStartOffAreKeptAndMakeTheJob()
    {
        answerOptions([](QDialog* options) {
            const LessonBox lesson(options);
            QVERIFY(lesson.track && lesson.pause && lesson.sheet && lesson.key);
            // A first run makes no lesson; the pause waits for the track.
            QVERIFY(!lesson.track->isChecked());
            QCOMPARE(lesson.pause->text(), QStringLiteral("5 秒"));
            QVERIFY(!lesson.pause->isEnabled());
            QCOMPARE(lesson.sheet->currentText(), QStringLiteral("不生成"));
            QVERIFY(!lesson.key->isChecked());

            lesson.track->click();
            QVERIFY(lesson.pause->isEnabled());
            lesson.pause->setValue(8);
            lesson.sheet->setCurrentIndex(lesson.sheet->findText(QStringLiteral("给出中文")));
            lesson.key->click();
            options->accept();
        });

        // The next run of the program shows them and asks the engine for them, words and all.
        reopen();
        const BatchJob job = JobFromWindow(LoadWindowSettings(), {}, {});
        QVERIFY(job.lesson == (LessonOptions{true, true, 8000, LessonOptions::Sheet::Chinese, true}));
        answerOptions([](QDialog* options) {
            const LessonBox lesson(options);
            QVERIFY(lesson.track->isChecked() && lesson.pause->isEnabled());
            QCOMPARE(lesson.pause->value(), 8);
            QCOMPARE(lesson.sheet->currentText(), QStringLiteral("给出中文"));
            QVERIFY(lesson.key->isChecked());
            lesson.track->click();
            QVERIFY(!lesson.pause->isEnabled());
            options->reject();
        });
    }

    void badStoredLessonChoicesFallBackToTheUsual_data()
    {
        QTest::addColumn<QVariant>("pause");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("sheetShown");
        QTest::newRow("longest") << QVariant(30000) << QStringLiteral("none") << 30 << QStringLiteral("不生成");
        QTest::newRow("too short") << QVariant(999) << QStringLiteral("chinese") << 5 << QStringLiteral("给出中文");
        QTest::newRow("too long") << QVariant(30001) << QStringLiteral("blank") << 5 << QStringLiteral("空白");
        QTest::newRow("not a number") << QVariant(QStringLiteral("8 s")) << QStringLiteral("Chinese") << 5
                                      << QStringLiteral("不生成");
    }

    void badStoredLessonChoicesFallBackToTheUsual()
    {
        QFETCH(QVariant, pause);
        QFETCH(QString, sheet);
        QFETCH(int, seconds);
        QFETCH(QString, sheetShown);
        // Set between two windows: a closing window saves its own choices.
        delete m_dlg;
        m_dlg = nullptr;
        ProgramSettings()->setValue(QStringLiteral("lesson/pause"), pause);
        ProgramSettings()->setValue(QStringLiteral("lesson/sheet"), sheet);
        reopen();
        QCOMPARE(JobFromWindow(LoadWindowSettings(), {}, {}).lesson.pauseMs, seconds * 1000);
        answerOptions([&](QDialog* options) {
            const LessonBox lesson(options);
            QCOMPARE(lesson.pause->value(), seconds);
            QCOMPARE(lesson.sheet->currentText(), sheetShown);
            options->reject();
        });
    }

    void aLessonTrackComesBesideTheWordsAndTheMessageNamesIt()
    {
        QTemporaryDir dir;
        chooseFolder(dir.path());
        m_model->append({{QStringLiteral("apple"), QStringLiteral("苹果")}, {QStringLiteral("pear"), QStringLiteral("梨")}});
        m_model->checkAll();
        chooseShortLessonTrack();
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QVERIFY(waitForTheEnd());

        // Words typed in, not a course: the lesson has no course name to go before 听写.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
                 (QStringList{QStringLiteral("apple.wav"), QStringLiteral("pear.wav"), QStringLiteral("听写.lrc"),
                              QStringLiteral("听写.wav")}));
        const QString text = Prompt::takeShown().value(0).text;
        QVERIFY2(text.contains(QStringLiteral("已生成 2 个文件")) && text.contains(QStringLiteral("听写：听写.wav、听写.lrc")),
                 qPrintable(text));
    }

    void anOwnListMakesFilesAndALessonAsACourseDoes()
    {
        {
            OwnLists lists;
            QVERIFY(lists.Open());
            QVERIFY(lists.Save(QStringLiteral("第三周"), {{u"apple"_qs, u"苹果"_qs, MeaningSource::Vocabulary},
                                                          {u"pear"_qs, u"梨"_qs, MeaningSource::Typed}}, true));
        }
        reopen();
        auto* tree = m_dlg->findChild<QTreeView*>(QStringLiteral("courseTreeView"));
        const QModelIndex own = tree->model()->index(tree->model()->rowCount() - 1, 0);
        QCOMPARE(own.data().toString(), QStringLiteral("我的词表"));
        tree->setCurrentIndex(tree->model()->index(0, 0, own));
        QCOMPARE(m_model->count(), 2);
        QTemporaryDir dir;
        chooseFolder(dir.path());
        m_model->checkAll();
        chooseShortLessonTrack();
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QVERIFY(waitForTheEnd());

        // The list's name goes before 听写, as a course book's does.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
                 (QStringList{QStringLiteral("apple.wav"), QStringLiteral("pear.wav"), QStringLiteral("第三周 听写.lrc"),
                              QStringLiteral("第三周 听写.wav")}));
        QVERIFY(Prompt::takeShown().value(0).text.contains(QStringLiteral("已生成 2 个文件")));
    }

    void mp3BitRatesAreThoseTheChosenFormatTakes()
    {
        // Set between two windows: a closing window saves its own choices.
        const auto remember = [this](int kbps, int format) {
            delete m_dlg;
            m_dlg = nullptr;
            ProgramSettings()->setValue(QStringLiteral("files/type"), QStringLiteral("mp3"));
            ProgramSettings()->setValue(QStringLiteral("files/bitrate"), kbps);
            ProgramSettings()->setValue(QStringLiteral("window/format"), format);
            reopen();
        };
        const QString mpeg1From64 = QStringLiteral("64, 80, 96, 112, 128, 160, 192, 224, 256, 320");
        remember(32, 35);  // 44kHz 16 Bit 双声道
        QCOMPARE(offeredBitRates(), (std::pair{mpeg1From64, 64}));  // shown as the lowest it takes

        // Until the dialog's choice is kept, the run asks for 32 kbps and is refused in words.
        QTemporaryDir dir;
        chooseFolder(dir.path());
        m_model->append({{QStringLiteral("apple"), QStringLiteral("苹果")}});
        m_model->checkAll();
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QCOMPARE(Prompt::takeShown().value(0).text,
                 QStringLiteral("此声音格式只能用以下 MP3 比特率（最低的在前）：") + mpeg1From64 + QStringLiteral(" kbps"));
        QVERIFY(!m_dlg->batchEngine().IsRunning());
        QVERIFY(QDir(dir.path()).isEmpty());

        // Above what the format takes: its highest. The list follows the window's format.
        remember(320, 35);
        chooseFormat(QStringLiteral("16kHz 16 Bit 单声道"));
        QCOMPARE(offeredBitRates(), (std::pair{QStringLiteral("40, 48, 56, 64, 80, 96, 112, 128, 144, 160"), 160}));
        chooseFormat(QStringLiteral("8kHz 8 Bit 单声道"));
        QCOMPARE(offeredBitRates(), (std::pair{QStringLiteral("32, 40, 48, 56, 64"), 64}));
    }

    void nothingCheckedSaysSo()
    {
        QTemporaryDir dir;
        chooseFolder(dir.path());
        m_model->append({{QStringLiteral("apple"), QStringLiteral("苹果")}});
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QVERIFY(waitForTheEnd());
        QCOMPARE(Prompt::takeShown().value(0).text, QStringLiteral("您还没有钩选单词"));
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void theWindowAndTheCommandLineWriteTheSameFiles()
    {
        QTemporaryDir window;
        QTemporaryDir cli;
        chooseFolder(window.path());
        m_dlg->findChild<QCheckBox*>(QStringLiteral("chineseMeaningCheckBox"))->setChecked(true);
        m_model->append({{QStringLiteral("bank"), QStringLiteral("n. 银行")}, {QStringLiteral("CD"), QStringLiteral("光盘")}});
        m_model->checkAll();
        // Byte for byte only when asked for: otherwise a word's sound follows what its worker
        // spoke before it, which differs from run to run.
        answerOptions([](QDialog* options) {
            options->findChild<QCheckBox*>(QStringLiteral("repeatableCheckBox"))->setChecked(true);
            options->accept();
        });
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QVERIFY(waitForTheEnd());
        Prompt::takeShown();

        QFile list(cli.filePath(QStringLiteral("words.csv")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("en,ch\nbank,n. 银行\nCD,光盘\n");
        list.close();
        const QString format = m_dlg->findChild<QComboBox*>(QStringLiteral("formatComboBox"))->currentText();
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), cli.filePath(QStringLiteral("data")));
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(LEXOVOX_BATCH), {QStringLiteral("--out"), cli.path(), QStringLiteral("--words"),
                                                  list.fileName(), QStringLiteral("--meaning"), QStringLiteral("--format"),
                                                  format, QStringLiteral("--repeatable"), QStringLiteral("--quiet")});
        QVERIFY(tool.waitForFinished(120000));
        QCOMPARE(tool.exitCode(), 0);
        for (const QString& name : {QStringLiteral("bank.wav"), QStringLiteral("CD.wav")}) {
            QFile a(QDir(window.path()).filePath(name));
            QFile b(QDir(cli.path()).filePath(name));
            QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            QVERIFY2(a.readAll() == b.readAll(), qPrintable(name));
        }
    }

private:
    /// The 听写 controls of an open 选项… dialog.
    struct LessonBox
    {
        explicit LessonBox(const QDialog* options)
            : track(options->findChild<QCheckBox*>(QStringLiteral("lessonTrackCheckBox")))
            , pause(options->findChild<QSpinBox*>(QStringLiteral("lessonPauseSpinBox")))
            , sheet(options->findChild<QComboBox*>(QStringLiteral("answerSheetComboBox")))
            , key(options->findChild<QCheckBox*>(QStringLiteral("answerKeyCheckBox")))
        {
        }

        QCheckBox* track;
        QSpinBox* pause;
        QComboBox* sheet;
        QCheckBox* key;
    };

    /// Enough checked words that a run is still going when the test acts on it.
    void checkManyWords()
    {
        std::vector<WordEntry> words;
        for (int i = 0; i < 200; ++i)
            words.push_back({QStringLiteral("word%1").arg(i), QStringLiteral("词")});
        m_model->append(std::move(words));
        m_model->checkAll();
    }

    /// A new window, as at the next start of the program.
    void reopen()
    {
        delete m_dlg;  // may be null
        m_dlg = new CWordSpeechDlg(nullptr);
        m_model = m_dlg->wordListModel();
        m_generate = m_dlg->findChild<QPushButton*>(QStringLiteral("generateButton"));
        m_progress = m_dlg->findChild<QProgressBar*>(QStringLiteral("generateProgressBar"));
    }

    /// Waits for the run to end and its closing message to be shown.
    bool waitForTheEnd()
    {
        return QTest::qWaitFor(
            [this] { return !m_dlg->batchEngine().IsRunning() && m_generate->text() == QStringLiteral("生成文件"); },
            120000);
    }

    void chooseFormat(const QString& label)
    {
        auto* formats = m_dlg->findChild<QComboBox*>(QStringLiteral("formatComboBox"));
        const int entry = formats->findText(label);
        QVERIFY(entry >= 0);
        formats->setCurrentIndex(entry);
        emit formats->activated(entry);
    }

    /// Opens 选项… and has `answer` check and set it, then accept or reject it; the dialog is
    /// modal, so `answer` runs once it is up. A failed check in `answer` still closes it.
    void answerOptions(std::function<void(QDialog*)> answer)
    {
        QTimer::singleShot(0, this, [answer = std::move(answer)] {
            auto* options = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(options);
            QTimer::singleShot(0, options, &QDialog::reject);
            answer(options);
        });
        QTest::mouseClick(m_dlg->findChild<QPushButton*>(QStringLiteral("outputOptionsButton")), Qt::LeftButton);
    }

    /// In 选项…, a dictation track with one second between words.
    void chooseShortLessonTrack()
    {
        answerOptions([](QDialog* options) {
            const LessonBox lesson(options);
            lesson.track->click();
            lesson.pause->setValue(1);
            options->accept();
        });
    }

    /// The MP3 bit rates 选项… offers, as "32, 40", and the one it shows.
    std::pair<QString, int> offeredBitRates()
    {
        std::pair<QString, int> offered{{}, -1};
        answerOptions([&offered](QDialog* options) {
            auto* rates = options->findChild<QComboBox*>(QStringLiteral("bitrateComboBox"));
            QVERIFY(rates);
            QStringList texts;
            for (int i = 0; i < rates->count(); ++i)
                texts.append(QString::number(rates->itemData(i).toInt()));
            offered = {texts.join(QStringLiteral(", ")), rates->currentData().toInt()};
            options->reject();
        });
        return offered;
    }

    void chooseFolder(const QString& path)
    {
        FolderBrowser::setNextResult(path);
        QTest::mouseClick(m_dlg->findChild<QPushButton*>(QStringLiteral("browseButton")), Qt::LeftButton);
        QCOMPARE(m_dlg->outputFolder(), path);
    }

    CWordSpeechDlg* m_dlg = nullptr;
    WordListModel* m_model = nullptr;
    QPushButton* m_generate = nullptr;
    QProgressBar* m_progress = nullptr;
};

QTEST_MAIN(TestGeneration)
#include "test_generation.moc"
