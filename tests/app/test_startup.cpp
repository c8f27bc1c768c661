#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "cwordspeechapp.h"
#include "ui/cwordspeechdlg.h"
#include "ui/prompt.h"
#include "vocab/vocabimporter.h"
#include "vocab/wordstore.h"

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        Prompt::setTesting(true);
        Prompt::takeShown();
        QVERIFY(m_dir.isValid());
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }

    void cleanup()
    {
        QDir::setCurrent(m_previous);
        QFile::remove(m_dir.filePath(QStringLiteral("code.dll")));
    }

    void connectionFailureShowsOneBoxAndNoWindow_data()
    {
        QTest::addColumn<bool>("create");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << false << QByteArray() << QStringLiteral("cannot find the file");
        QTest::newRow("empty") << true << QByteArray() << QStringLiteral("not a vocabulary database");
        QTest::newRow("text") << true << QByteArray("en,ch,subclass\n") << QStringLiteral("not a vocabulary database");
        // An Access vocabulary locked with a password other than the program's.
        QFile other(QStringLiteral(LEXOVOX_SHARED_DIR "/testdata/jet/mdbreader_V2003_with-password.mdb"));
        if (other.open(QIODevice::ReadOnly))
            QTest::newRow("otherPassword") << true << other.readAll() << QStringLiteral("Not a valid password");
        else
            qWarning("Jet test files not found in the shared folder: the password case is not run");
    }

    void connectionFailureShowsOneBoxAndNoWindow()
    {
        QFETCH(bool, create);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString path = m_dir.filePath(QStringLiteral("code.dll"));
        if (create) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }

        CWordSpeechApp app;
        QCOMPARE(app.InitInstance(), false);
        const QList<Prompt::Message> shown = Prompt::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].caption, QCoreApplication::applicationName());
        QCOMPARE(shown[0].icon, QMessageBox::Warning);
        QVERIFY2(shown[0].text.startsWith(QStringLiteral("连接动态文件失败!\r\n错误信息:")), qPrintable(shown[0].text));
        QVERIFY2(shown[0].text.contains(reason), qPrintable(shown[0].text));
        QVERIFY2(shown[0].text.contains(path), qPrintable(shown[0].text));
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
        QCOMPARE(app.ExitInstance(), 0);

        // Nothing was created or changed in the folder.
        const QStringList files = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(files, create ? QStringList{QStringLiteral("code.dll")} : QStringList{});
        if (create) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), bytes);
        }
    }

    void openVocabularyRunsTheWindowAndClosesAfterIt()
    {
        QFile csv(m_dir.filePath(QStringLiteral("words.csv")));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("en,ch,subclass\napple,苹果,k\n");
        csv.close();
        QVERIFY(ImportVocabulary(csv.fileName(), m_dir.filePath(QStringLiteral("code.dll")), false));

        CWordSpeechApp app;
        QPointer<CWordSpeechDlg> seen;
        bool found = false;
        // The window runs modally; end it with Escape once it is up.
        QTimer::singleShot(0, this, [&seen, &found] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* dlg = qobject_cast<CWordSpeechDlg*>(w))
                    seen = dlg;
            }
            found = seen && seen->isVisible();
            if (seen)
                QTest::keyClick(seen, Qt::Key_Escape);
        });
        QCOMPARE(app.InitInstance(), false);
        QVERIFY(found);
        QVERIFY(seen.isNull()); // destroyed when its run ended
        QVERIFY(Prompt::takeShown().isEmpty());
        QVERIFY(app.Connection() && app.Connection()->IsOpen());
        QCOMPARE(app.ExitInstance(), 0);
        QVERIFY(app.Connection() == nullptr);
    }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
