#include <vector>

#include <sqlite3.h>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "ui/cwordspeechdlg.h"
#include "ui/folderbrowser.h"
#include "ui/prompt.h"
#include "vocab/wordlistmodel.h"

class TestGeneration : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
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

        QCOMPARE(m_progress->maximum(), 3);
        QCOMPARE(m_progress->value(), 0);
        std::vector<int> seen;
        for (const QList<QVariant>& value : values)
            seen.push_back(value.at(0).toInt());
        QCOMPARE(seen, (std::vector<int>{1, 2, 0})); // 0 first is no change from the idle bar
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{QStringLiteral("CD.wav"), QStringLiteral("look at.wav")}));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("CD.wav"))).size() > 1000);
        const QList<Prompt::Message> shown = Prompt::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QStringLiteral("信息"));
        QCOMPARE(shown[0].text, QStringLiteral("语音文件生成完毕"));
        QCOMPARE(shown[0].icon, QMessageBox::NoIcon);
        QVERIFY(m_generate->isEnabled());
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
        QVERIFY(QDir(folder).isEmpty());
        QCOMPARE(QDir(parent.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("out")});
        QString text = Prompt::takeShown().value(0).text;
        QVERIFY2(text.startsWith(QStringLiteral("语音文件生成完毕\n")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("2 个文件未能生成")), qPrintable(text));

        QVERIFY(QDir(folder).removeRecursively());
        m_model->clear();
        m_model->append({{QStringLiteral("apple"), QStringLiteral("苹果")}});
        m_model->checkAll();
        QTest::mouseClick(m_generate, Qt::LeftButton);
        text = Prompt::takeShown().value(0).text;
        QVERIFY2(text.contains(QStringLiteral("apple：文件夹不存在")), qPrintable(text));
    }

    void nothingCheckedSaysSo()
    {
        QTemporaryDir dir;
        chooseFolder(dir.path());
        m_model->append({{QStringLiteral("apple"), QStringLiteral("苹果")}});
        QTest::mouseClick(m_generate, Qt::LeftButton);
        QCOMPARE(Prompt::takeShown().value(0).text, QStringLiteral("您还没有钩选单词"));
        QVERIFY(QDir(dir.path()).isEmpty());
    }

private:
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
