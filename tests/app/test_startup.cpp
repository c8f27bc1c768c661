#include <csignal>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "cwordspeechapp.h"
#include "base/comerror.h"
#include "base/stopsignals.h"
#include "ui/cwordspeechdlg.h"
#include "ui/programsettings.h"
#include "ui/prompt.h"
#include "vocab/vocabimporter.h"
#include "vocab/wordstore.h"

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Neither the user's own vocabulary nor the file they opened last may stand in.
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral(".config")));
    }

    void init()
    {
        ProgramSettings()->clear(); // each test starts from a first run
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

    void failureNamesEveryPlaceLookedAt()
    {
        CWordSpeechApp app({QStringLiteral("lexovox")});
        QCOMPARE(app.InitInstance(), false);
        const QList<Prompt::Message> shown = Prompt::takeShown();
        QCOMPARE(shown.size(), 1);
        const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        const QString installed =
            QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/lexovox/code.dll"));
        const QString& text = shown[0].text;
        const qsizetype here = text.lastIndexOf(m_dir.filePath(QStringLiteral("code.dll")));
        const qsizetype user = text.indexOf(dataHome + QStringLiteral("/lexovox/code.dll"));
        const qsizetype beside = text.indexOf(installed);
        QVERIFY2(here >= 0 && here < user && user < beside, qPrintable(text));
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
        QCOMPARE(app.ExitInstance(), 0);
    }

    void namedVocabularyIsTheOnlyOneTried_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("separate") << QStringList{QStringLiteral("lexovox"), QStringLiteral("--vocabulary"),
                                                 QStringLiteral("sub/none.db")};
        QTest::newRow("joined") << QStringList{QStringLiteral("lexovox"), QStringLiteral("--vocabulary=sub/none.db")};
        // What launchers and session managers add is passed over, before and after.
        QTest::newRow("among others") << QStringList{QStringLiteral("lexovox"), QStringLiteral("-session"),
                                                     QStringLiteral("1a2b"), QStringLiteral("--launched-by=menu"),
                                                     QStringLiteral("--vocabulary"), QStringLiteral("sub/none.db"),
                                                     QStringLiteral("-x"), QStringLiteral("words.txt")};
    }

    void namedVocabularyIsTheOnlyOneTried()
    {
        QFETCH(QStringList, arguments);
        // A good code.dll here is not taken in place of the missing file named.
        importOneWord(m_dir.filePath(QStringLiteral("code.dll")));
        CWordSpeechApp app(arguments);
        QCOMPARE(app.InitInstance(), false);
        const QList<Prompt::Message> shown = Prompt::takeShown();
        QCOMPARE(shown.size(), 1);
        const QString named = m_dir.filePath(QStringLiteral("sub/none.db"));
        QCOMPARE(shown[0].text, QStringLiteral("连接动态文件失败!\r\n错误信息:") +
                                    ComError(ResultCode::FileNotFound, named).ErrorMessage());
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
        QCOMPARE(app.ExitInstance(), 0);
    }

    void openVocabularyRunsTheWindowAndClosesAfterIt()
    {
        importOneWord(m_dir.filePath(QStringLiteral("code.dll")));

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

    // Last: the signal stays noted for the rest of this process.
    void killClosesTheWindowAsTheUserWould()
    {
        importOneWord(m_dir.filePath(QStringLiteral("code.dll")));
        CWordSpeechApp app;
        bool shown = false;
        QTimer::singleShot(0, this, [&shown] {
            shown = !QApplication::topLevelWidgets().isEmpty();
            std::raise(SIGTERM);  // noted, not fatal: the window closes through its own path
        });
        QCOMPARE(app.InitInstance(), false);
        QVERIFY(shown);
        QCOMPARE(StopSignals::Received(), SIGTERM);
        QCOMPARE(app.ExitInstance(), 0);
    }

private:
    void importOneWord(const QString& target)
    {
        QFile csv(m_dir.filePath(QStringLiteral("words.csv")));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("en,ch,subclass\napple,苹果,k\n");
        csv.close();
        QVERIFY(ImportVocabulary(csv.fileName(), target, false));
        QFile::remove(csv.fileName());
    }

    QTemporaryDir m_dir;
    QString m_previous;
};

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
