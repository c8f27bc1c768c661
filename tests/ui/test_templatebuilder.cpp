#include <QDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTextLayout>

#include "resources/dialogtemplate.h"
#include "resources/resourceids.h"
#include "ui/caboutdlg.h"
#include "ui/chelpdlg.h"
#include "ui/templatebuilder.h"

namespace {

// Lines the text takes when wrapped at `width`, as a label lays it out.
int linesNeeded(const QFont& font, const QString& text, int width)
{
    int lines = 0;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            ++lines;
        }
        layout.endLayout();
    }
    return lines;
}

} // namespace

class TestTemplateBuilder : public QObject
{
    Q_OBJECT

private slots:
    void dialogFontHasChineseAt9Points()
    {
        const QFont font = TemplateBuilder::dialogFont();
        QCOMPARE(font.pointSize(), 9);
        QVERIFY(QFontMetrics(font).inFont(QChar(0x5355))); // 单
        if (QFontDatabase::families().contains(QStringLiteral("Noto Serif CJK SC")))
            QCOMPARE(QFontInfo(font).family(), QStringLiteral("Noto Serif CJK SC"));

        QDialog dialog;
        const TemplateBuilder builder(&dialog);
        QCOMPARE(dialog.font(), font);
        QCOMPARE(builder.toPixels(QRect(4, 8, 40, 80)),
                 QRect(builder.averageCharWidth(), builder.lineHeight(),
                       10 * builder.averageCharWidth(), 10 * builder.lineHeight()));
    }

    void templatesHoldTogether_data()
    {
        QTest::addColumn<int>("id");
        QTest::newRow("about") << IDD_ABOUTBOX;
        QTest::newRow("main") << IDD_WORDSPEECH_DIALOG;
        QTest::newRow("help") << IDD_HELP_DIALOG;
    }

    void templatesHoldTogether()
    {
        QFETCH(int, id);
        const DialogTemplate& dialogTemplate = *findDialogTemplate(id);
        QDialog dialog;
        TemplateBuilder builder(&dialog);
        builder.build(dialogTemplate);
        QCOMPARE(dialog.windowTitle(), QString::fromUtf16(dialogTemplate.title));
        QCOMPARE(dialog.size(),
                 builder.toPixels(QRect(0, 0, dialogTemplate.width, dialogTemplate.height)).size());
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());

        QSet<int> ids;
        for (const ControlTemplate& c : dialogTemplate.controls) {
            QVERIFY2(c.id == IDC_STATIC || !ids.contains(c.id), c.objectName);
            ids.insert(c.id);
            auto* widget = dialog.findChild<QWidget*>(QString::fromLatin1(c.objectName));
            QVERIFY2(widget && dialog.rect().contains(widget->geometry()), c.objectName);
            if (c.id != IDC_STATIC)
                QCOMPARE(builder.control(c.id), widget);

            // Whatever font stands in, every label must show all of its text.
            auto* label = qobject_cast<QLabel*>(widget);
            if (!label || c.kind != ControlKind::Label)
                continue;
            const QFontMetrics metrics(label->font());
            const int lines = label->wordWrap()
                                  ? linesNeeded(label->font(), label->text(), label->width())
                                  : int(label->text().count(QLatin1Char('\n'))) + 1;
            QVERIFY2(lines * metrics.height() <= label->height(), c.objectName);
            if (!label->wordWrap())
                QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(), c.objectName);
        }
    }

    void smallBoxesCloseWithTheirDefaultOk()
    {
        CAboutDlg about;
        // An icon control keeps the icon's size, whatever the template says.
        auto* icon = about.findChild<QLabel*>(QStringLiteral("iconLabel"));
        QVERIFY(!icon->pixmap().isNull());
        QCOMPARE(icon->size(), QSize(32, 32));
        CHelpDlg help;
        QVERIFY(!(help.windowFlags() & Qt::WindowMinimizeButtonHint));

        for (QDialog* box : {static_cast<QDialog*>(&about), static_cast<QDialog*>(&help)}) {
            QVERIFY(box->findChild<QPushButton*>(QStringLiteral("okButton"))->isDefault());
            QSignalSpy accepted(box, &QDialog::accepted);
            box->show();
            QTest::keyClick(box, Qt::Key_Return);
            QCOMPARE(accepted.count(), 1);
        }
    }
};

QTEST_MAIN(TestTemplateBuilder)
#include "test_templatebuilder.moc"
