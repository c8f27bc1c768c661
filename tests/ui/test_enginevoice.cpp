#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "ui/cwordspeechdlg.h"
#include "ui/folderbrowser.h"
#include "ui/programsettings.h"
#include "ui/prompt.h"
#include "uitestsupport.h"
#include "vocab/wordlistmodel.h"

// A speech program's voice chosen in the window: the user's own description of the Pico
// stand-in (tests/speech/engines), whose voices have no speaking rate. A run at another rate
// writes its files and says once, in Chinese, that the voice keeps its own pace.
class TestEngineVoice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        // Read by the window's and the speech processes' engines alike, before either starts.
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toUtf8());
        qputenv("FAKE_ENGINE_LOG", m_home.filePath(QStringLiteral("texts.log")).toUtf8());
        InstallPicoStandIn(m_home.filePath(QStringLiteral("config")));
    }

    void aRunWithTheVoiceWritesItsFilesAndSaysTheRateIsNotItsOwn()
    {
        ProgramSettings()->clear();
        ProgramSettings()->setValue(QStringLiteral("sound/rate"), 150);
        Prompt::setTesting(true);
        Prompt::takeShown();
        CWordSpeechDlg dlg(nullptr);
        QVERIFY2(ChooseVoice(dlg, QStringLiteral("Pico")), "the stand-in's voices are not in the list");

        QTemporaryDir folder;
        FolderBrowser::setNextResult(folder.path());
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("browseButton")), Qt::LeftButton);
        dlg.wordListModel()->append({{QStringLiteral("apple"), QStringLiteral("苹果")}, {QStringLiteral("pear"), QStringLiteral("梨")}});
        dlg.wordListModel()->setChecked(0, true);
        dlg.wordListModel()->setChecked(1, true);
        auto* generate = dlg.findChild<QPushButton*>(QStringLiteral("generateButton"));
        auto* progress = dlg.findChild<QProgressBar*>(QStringLiteral("generateProgressBar"));
        QTest::mouseClick(generate, Qt::LeftButton);
        const QString notice = QStringLiteral("Pico 的语音不能调语速，按它自己的语速朗读");
        QCOMPARE(progress->toolTip(), notice);
        QVERIFY(QTest::qWaitFor([&] { return generate->text() == QStringLiteral("生成文件"); }, 60000));

        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), (QStringList{QStringLiteral("apple.wav"), QStringLiteral("pear.wav")}));
        const QList<Prompt::Message> shown = Prompt::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.startsWith(QStringLiteral("语音文件生成完毕\n\n已生成 2 个文件")), qPrintable(shown[0].text));
        QVERIFY2(shown[0].text.endsWith(QStringLiteral("\n\n") + notice), qPrintable(shown[0].text));
        QVERIFY(progress->toolTip().isEmpty());
        // The stand-in spoke the English; the Chinese went to the built-in Mandarin.
        QFile log(m_home.filePath(QStringLiteral("texts.log")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray said = log.readAll();
        QVERIFY2(said.contains("\"apple") && said.contains("\"pear") && !said.contains("苹果"), said.constData());
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(TestEngineVoice)
#include "test_enginevoice.moc"
