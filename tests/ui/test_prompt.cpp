#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/prompt.h"

class TestPrompt : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("lexovox")); }

    void cleanup() { Prompt::setTesting(false); }

    void testingRecordsBoxesInOrderAndAnswersAtOnce()
    {
        Prompt::setTesting(true);
        Prompt::message(nullptr, QStringLiteral("消息"), QStringLiteral("完成"),
                        QMessageBox::NoIcon);
        Prompt::warning(nullptr, QStringLiteral("连接动态文件失败!\r\n错误信息:x"));

        const QList<Prompt::Message> shown = Prompt::takeShown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].caption, QStringLiteral("消息"));
        QCOMPARE(shown[0].text, QStringLiteral("完成"));
        QCOMPARE(shown[0].icon, QMessageBox::NoIcon);
        QCOMPARE(shown[1].caption, QStringLiteral("lexovox"));
        QCOMPARE(shown[1].text, QStringLiteral("连接动态文件失败!\r\n错误信息:x"));
        QCOMPARE(shown[1].icon, QMessageBox::Warning);
        QVERIFY(Prompt::takeShown().isEmpty());
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void warningShowsAModalOkBox()
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->standardButtons();
            box->button(QMessageBox::Ok)->click();
        });
        Prompt::warning(nullptr, QStringLiteral("连接动态文件失败!\r\n错误信息:x"));

        QCOMPARE(title, QStringLiteral("lexovox"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        // CR LF shows as one line break.
        QCOMPARE(text, QStringLiteral("连接动态文件失败!\n错误信息:x"));
        QVERIFY(Prompt::takeShown().isEmpty());
    }
};

QTEST_MAIN(TestPrompt)
#include "test_prompt.moc"
