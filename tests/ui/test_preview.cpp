#include <QFile>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "pulsetestserver.h"
#include "ui/cwordspeechdlg.h"
#include "ui/programsettings.h"
#include "ui/prompt.h"
#include "uitestsupport.h"
#include "vocab/wordlistmodel.h"

// Preview through a sound server this test starts itself: pressing 试听 on the selected row
// must reach the sink; a row that is only checked is not spoken.
class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void init() { ProgramSettings()->clear(); } // each test starts from a first run

    void selectedRowIsSpokenAndCheckedOnlyIsNot()
    {
        PulseTestServer server;
        if (!server.IsRunning())
            QSKIP(qPrintable(QStringLiteral("no PulseAudio daemon could be started: ") + server.Error()));
        const EnvironmentGuard environment("PULSE_SERVER", server.Address().toUtf8());
        QVERIFY(server.StartRecording());
        Prompt::setTesting(true);

        CWordSpeechDlg dlg(nullptr);
        WordListModel* model = dlg.wordListModel();
        model->append({{QStringLiteral("apple"), QStringLiteral("苹果")}, {QStringLiteral("look at"), QStringLiteral("看")}});
        auto* preview = dlg.findChild<QPushButton*>(QStringLiteral("previewButton"));
        auto* list = dlg.findChild<QTableView*>(QStringLiteral("wordTableView"));

        model->setChecked(0, true);
        QTest::mouseClick(preview, Qt::LeftButton);
        QVERIFY2(!server.WaitForSound(2000, 1500), "a checked but unselected row was spoken");

        list->selectRow(1);
        QTest::mouseClick(preview, Qt::LeftButton);
        QVERIFY(server.WaitForSound(2000, 10000));
        QVERIFY(Prompt::takeShown().isEmpty());
    }

    // A speech program's voice (the Pico stand-in, as the user's own description) is heard too:
    // its English from the program, in the same preview.
    void anInstalledProgramsVoiceIsHeard()
    {
        PulseTestServer server;
        if (!server.IsRunning())
            QSKIP(qPrintable(QStringLiteral("no PulseAudio daemon could be started: ") + server.Error()));
        const EnvironmentGuard environment("PULSE_SERVER", server.Address().toUtf8());
        QTemporaryDir home;
        const EnvironmentGuard config("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
        const EnvironmentGuard log("FAKE_ENGINE_LOG", home.filePath(QStringLiteral("texts.log")).toUtf8());
        InstallPicoStandIn(home.filePath(QStringLiteral("config")));
        QVERIFY(server.StartRecording());
        Prompt::setTesting(true);

        CWordSpeechDlg dlg(nullptr);
        QVERIFY2(ChooseVoice(dlg, QStringLiteral("Pico")), "the stand-in's voices are not in the list");
        dlg.wordListModel()->append({{QStringLiteral("orange"), QStringLiteral("橙子")}});
        dlg.findChild<QTableView*>(QStringLiteral("wordTableView"))->selectRow(0);
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("previewButton")), Qt::LeftButton);
        QVERIFY(server.WaitForSound(2000, 10000));
        QFile said(home.filePath(QStringLiteral("texts.log")));
        QVERIFY(QTest::qWaitFor([&] { return said.exists(); }, 5000));
        QVERIFY(said.open(QIODevice::ReadOnly));
        QVERIFY2(said.readAll().contains("orange"), "the program was not given the word");
        QVERIFY(Prompt::takeShown().isEmpty());
    }
};

QTEST_MAIN(TestPreview)
#include "test_preview.moc"
