#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "pulsetestserver.h"
#include "ui/cwordspeechdlg.h"
#include "ui/programsettings.h"
#include "ui/prompt.h"
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
};

QTEST_MAIN(TestPreview)
#include "test_preview.moc"
