// Qt's own texts in the window: the standard buttons of the 选项… dialog in the language of the
// program's messages. Run under a Chinese locale (LANG=zh_CN.UTF-8, see CMakeLists.txt).

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLibraryInfo>
#include <QPushButton>
#include <QTest>

#include "ui/outputoptionsdlg.h"
#include "ui/qttexts.h"

class TestQtTexts : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        for (const char* file : {"qtbase_zh_CN.qm", "qtbase_zh_TW.qm"}) {
            if (!QFile::exists(folder + u'/' + QLatin1StringView(file)))
                QSKIP(qPrintable(u"%1 is not in %2: Qt's Chinese texts are not installed (Debian: qt6-translations-l10n)"_qs
                                     .arg(QLatin1StringView(file), folder)));
        }
        m_saved.clear();
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"})
            m_saved.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
    }

    void cleanup()
    {
        for (const Saved& variable : m_saved) {
            if (variable.set)
                qputenv(variable.name, variable.value);
            else
                qunsetenv(variable.name);
        }
        LoadQtTexts(*qApp);
    }

    // The test's own environment: LANG=zh_CN.UTF-8, nothing else.
    void theOptionsDialogsButtonsAreChineseUnderAChineseLocale()
    {
        QCOMPARE(qgetenv("LANG"), QByteArray("zh_CN.UTF-8"));
        QVERIFY(LoadQtTexts(*qApp));
        QCOMPARE(buttonTexts(), QStringList({u"确定"_qs, u"取消"_qs}));
    }

    void theProgramsLanguageChoosesQtsToo_data()
    {
        QTest::addColumn<QByteArray>("lcAll");
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QStringList>("buttons");
        const QStringList simplified{u"确定"_qs, u"取消"_qs};
        const QStringList traditional{u"確定"_qs, u"取消"_qs};
        const QStringList english{u"OK"_qs, u"Cancel"_qs};
        QTest::newRow("mainland") << QByteArray("zh_CN.UTF-8") << QByteArray() << u"zh_CN"_qs << simplified;
        QTest::newRow("Singapore") << QByteArray("zh_SG.UTF-8") << QByteArray() << u"zh_CN"_qs << simplified;
        QTest::newRow("Taiwan") << QByteArray("zh_TW.UTF-8") << QByteArray() << u"zh_TW"_qs << traditional;
        QTest::newRow("Hong Kong") << QByteArray("zh_HK.UTF-8") << QByteArray() << u"zh_TW"_qs << traditional;
        // LANGUAGE, which Qt reads first and the program does not, leaves Qt's texts with the rest.
        QTest::newRow("LANGUAGE=en") << QByteArray("zh_CN.UTF-8") << QByteArray("en_US:en") << u"zh_CN"_qs << simplified;
        QTest::newRow("English") << QByteArray("en_US.UTF-8") << QByteArray() << QString() << english;
        QTest::newRow("C") << QByteArray("C.UTF-8") << QByteArray("zh_CN:zh") << QString() << english;
    }

    void theProgramsLanguageChoosesQtsToo()
    {
        QFETCH(QByteArray, lcAll);
        QFETCH(QByteArray, language);
        QFETCH(QString, locale);
        QFETCH(QStringList, buttons);
        qputenv("LC_ALL", lcAll);
        qputenv("LANGUAGE", language);
        QCOMPARE(QtTextsLocale(), locale);
        QVERIFY(LoadQtTexts(*qApp));
        QCOMPARE(buttonTexts(), buttons);
    }

private:
    struct Saved
    {
        const char* name;
        QByteArray value;
        bool set;
    };

    /// The texts of the 选项… dialog's 确定 and 取消 buttons as it is built now.
    static QStringList buttonTexts()
    {
        OutputOptionsDlg dialog(OutputFileOptions{}, SoundOptions{}, LessonOptions{}, 18);
        auto* box = dialog.findChild<QDialogButtonBox*>();
        if (!box)
            return {};
        return {box->button(QDialogButtonBox::Ok)->text(), box->button(QDialogButtonBox::Cancel)->text()};
    }

    QList<Saved> m_saved;
};

QTEST_MAIN(TestQtTexts)
#include "test_qttexts.moc"
