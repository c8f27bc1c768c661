#include <cmath>
#include <functional>

#include <QFile>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>
#include <QUrl>

#include "resources/dialogtemplate.h"
#include "resources/resourceids.h"
#include "ui/caboutdlg.h"
#include "ui/chelpdlg.h"
#include "ui/cwordspeechdlg.h"
#include "ui/programsettings.h"

namespace {

// Dialog units to pixels: four units across are one average Latin letter, eight down one line.
QRect toPixels(const QFont& font, const QRect& units)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int cx = (letters / 26 + 1) / 2;
    const int cy = metrics.height();
    const auto scale = [](int value, int unit, int per) {
        return static_cast<int>(std::lround(double(value) * unit / per));
    };
    return {scale(units.x(), cx, 4), scale(units.y(), cy, 8), scale(units.width(), cx, 4),
            scale(units.height(), cy, 8)};
}

// Runs `act`; a modal dialog it opens is handed to `inspect` and then rejected. Returns
// whether one opened.
bool catchModal(const std::function<void()>& act, const std::function<void(QDialog*)>& inspect)
{
    bool opened = false;
    QTimer::singleShot(0, qApp, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            opened = true;
            inspect(dialog);
            dialog->reject();
        }
    });
    act();
    QCoreApplication::processEvents(); // the timer fires here when nothing modal ran
    return opened;
}

} // namespace

class TestCWordSpeechDlg : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl& url) { m_openedUrls.append(url); }

private slots:
    void init()
    {
        ProgramSettings()->clear(); // each test starts from a first run
        m_dlg = new CWordSpeechDlg(nullptr);
        m_animation = child<QPropertyAnimation>("windowAnimation");
        QVERIFY(m_animation);
    }

    void cleanup()
    {
        QToolTip::hideText();
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        m_openedUrls.clear();
        delete m_dlg;
    }

    void everyControlIsAtItsPlaceWithItsText()
    {
        const DialogTemplate& main = *findDialogTemplate(IDD_WORDSPEECH_DIALOG);
        QCOMPARE(m_dlg->windowTitle(), QStringLiteral("Lexovox"));
        QVERIFY(!m_dlg->windowIcon().isNull());
        const QSize size = toPixels(m_dlg->font(), QRect(0, 0, 499, 336)).size();
        QCOMPARE(m_dlg->size(), size);
        QCOMPARE(m_dlg->minimumSize(), m_dlg->maximumSize());
        QVERIFY(!(m_dlg->windowFlags() & Qt::WindowMaximizeButtonHint));

        QStringList tabStops;
        for (const ControlTemplate& c : main.controls) {
            const QString name = QString::fromLatin1(c.objectName);
            QWidget* widget = m_dlg->findChild<QWidget*>(name);
            QVERIFY2(widget && widget->parentWidget() == m_dlg, c.objectName);
            const QRect expected = toPixels(m_dlg->font(), QRect(c.x, c.y, c.width, c.height));
            if (c.kind == ControlKind::ComboBox) {
                // The template height covers the open list; the closed field is the style's.
                QCOMPARE(widget->geometry().topLeft(), expected.topLeft());
                QCOMPARE(widget->width(), expected.width());
                QVERIFY(widget->height() <= expected.height());
            } else {
                QCOMPARE(widget->geometry(), expected);
            }

            const QString text = QString::fromUtf16(c.text);
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                const QStringList lines = button->text().split(QLatin1Char('\n'));
                QCOMPARE(lines.join(QString()), text);
                // The narrow buttons stack their characters.
                QCOMPARE(lines.size(), (c.styles & TemplateStyle::MultiLine) ? text.size() : 1);
            } else if (auto* label = qobject_cast<QLabel*>(widget)) {
                QCOMPARE(label->text(), text);
            } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
                QCOMPARE(group->title(), text);
            }
            if (widget->focusPolicy() & Qt::TabFocus)
                tabStops.append(name);
        }

        // Tab order is template order.
        QStringList order;
        QWidget* first = m_dlg->findChild<QWidget*>(tabStops.first());
        QWidget* widget = first;
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->parentWidget() == m_dlg)
                order.append(widget->objectName());
            widget = widget->nextInFocusChain();
        } while (widget != first);
        QCOMPARE(order, tabStops);
        QCOMPARE(tabStops.size(), 23); // with 新建词表… under the tree
    }

    void groupBoxesLieBeneathWhatTheyFrame()
    {
        // The options frame comes after its check boxes in the template; a click on a check
        // box must still reach the check box.
        for (QGroupBox* group : m_dlg->findChildren<QGroupBox*>()) {
            for (QWidget* control : m_dlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (qobject_cast<QGroupBox*>(control)
                    || !group->geometry().contains(control->geometry()))
                    continue;
                QWidget* hit = m_dlg->childAt(control->geometry().center());
                QVERIFY2(hit == control || control->isAncestorOf(hit),
                         qPrintable(control->objectName()));
            }
        }
    }

    void opensEmptyAndUnchecked()
    {
        for (QLineEdit* edit : m_dlg->findChildren<QLineEdit*>())
            QVERIFY2(edit->text().isEmpty(), qPrintable(edit->objectName()));
        QVERIFY(child<QLineEdit>("outputFolderEdit")->isReadOnly());
        for (QCheckBox* box : m_dlg->findChildren<QCheckBox*>())
            QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));

        auto* list = child<QTableView>("wordTableView");
        QCOMPARE(list->model()->rowCount(), 0);
        QCOMPARE(list->model()->columnCount(), 2);
        QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("单词"));
        QCOMPARE(list->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("解释"));
        QCOMPARE(list->columnWidth(0), 120);
        QCOMPARE(list->columnWidth(1), 110);
        QVERIFY(list->showGrid());
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);

        auto* tree = child<QTreeView>("courseTreeView");
        QVERIFY(tree->isHeaderHidden() && tree->rootIsDecorated());
        auto* progress = child<QProgressBar>("generateProgressBar");
        QCOMPARE(QList<int>({progress->minimum(), progress->maximum(), progress->value()}),
                 QList<int>({0, 100, 0}));

        QVERIFY(child<QPushButton>("helpButton")->isDefault());
        QVERIFY(!child<QPushButton>("exitButton")->isDefault());
    }

    void showingCentresGrowsAndFocusesHelp()
    {
        const QRect resting = m_dlg->geometry();
        QVERIFY((resting.center() - m_dlg->screen()->availableGeometry().center())
                    .manhattanLength() <= 2);

        m_dlg->show();
        QCOMPARE(m_animation->state(), QAbstractAnimation::Running);
        QCOMPARE(m_animation->duration(), 800);
        QCOMPARE(m_animation->propertyName(), QByteArray("geometry"));
        QCOMPARE(m_animation->endValue().toRect(), resting);
        const QRect start = m_animation->startValue().toRect();
        QVERIFY(start.width() <= 1 && (start.center() - resting.center()).manhattanLength() <= 2);

        QVERIFY(QTest::qWaitForWindowActive(m_dlg));
        QTRY_COMPARE(m_animation->state(), QAbstractAnimation::Stopped);
        QCOMPARE(m_dlg->size(), resting.size());
        QCOMPARE(m_dlg->minimumSize(), m_dlg->maximumSize());
        QCOMPARE(QApplication::focusWidget(), child("helpButton"));
    }

    void toolTipsWakeAfter300ms_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("preview") << QStringLiteral("previewButton")
                                 << QStringLiteral("请在单词表中选择一项,不是勾选。\n调整“拼读选项”选择您要的效果");
        QTest::newRow("generate") << QStringLiteral("generateButton")
                                  << QStringLiteral("请在单词表中勾选一项或多项,生成的文件可以在MP3播放器播放");
        QTest::newRow("voice") << QStringLiteral("voiceComboBox") << QStringLiteral("请选择语音角色");
        QTest::newRow("format") << QStringLiteral("formatComboBox") << QStringLiteral("请选择量化格式");
        QTest::newRow("word list") << QStringLiteral("wordTableView")
                                   << QStringLiteral("如果试听请选择一项，如果生成声音文件要勾选");
        QTest::newRow("link") << QStringLiteral("downloadLinkLabel")
                              << QStringLiteral("点击打开“Vocadrop”");
        QTest::newRow("english") << QStringLiteral("lookUpEnglishEdit")
                                 << QStringLiteral("至少2个字母");
    }

    void toolTipsWakeAfter300ms()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QWidget* tool = m_dlg->findChild<QWidget*>(name);
        QCOMPARE(tool->toolTip(), text);
        // Qt asks the widget under the pointer, which may be a part inside the control.
        QList<QWidget*> parts = tool->findChildren<QWidget*>();
        parts.prepend(tool);
        for (QWidget* part : parts)
            QCOMPARE(part->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, part), 300);

        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(m_dlg));
        QTRY_COMPARE(m_animation->state(), QAbstractAnimation::Stopped);
        QWidget* under = tool->childAt(tool->rect().center());
        under = under ? under : tool;
        QElapsedTimer rest;
        rest.start();
        QTest::mouseMove(under, under->mapFrom(tool, tool->rect().center()));
        QTRY_COMPARE(QToolTip::text(), text);
        // Coarse timers may fire up to 5% early.
        QVERIFY2(rest.elapsed() >= 285, qPrintable(QString::number(rest.elapsed())));
    }

    void endings_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::addColumn<bool>("exitButton");
        QTest::addColumn<int>("result");
        QTest::newRow("escape: at once") << true << false << int(QDialog::Rejected);
        QTest::newRow("close request: animated") << false << false << int(QDialog::Rejected);
        QTest::newRow("exit button: animated, saved") << false << true << int(QDialog::Accepted);
    }

    void endings()
    {
        QFETCH(bool, escape);
        QFETCH(bool, exitButton);
        QFETCH(int, result);
        showAndSettle();
        const QRect resting = m_dlg->geometry();
        QTest::keyClicks(child<QLineEdit>("lookUpEnglishEdit"), QStringLiteral("apple"));
        child<QLineEdit>("outputFolderEdit")->setText(QStringLiteral("/tmp/词"));
        QSignalSpy finished(m_dlg.data(), &QDialog::finished);
        QElapsedTimer ending;
        ending.start();

        if (escape) {
            QTest::keyClick(m_dlg, Qt::Key_Escape);
            QCOMPARE(finished.count(), 1);
            QCOMPARE(m_animation->state(), QAbstractAnimation::Stopped);
        } else {
            if (exitButton)
                QTest::mouseClick(child<QPushButton>("exitButton"), Qt::LeftButton);
            else
                QVERIFY(!m_dlg->close());
            QVERIFY(m_dlg->isVisible());
            QCOMPARE(m_animation->state(), QAbstractAnimation::Running);
            QCOMPARE(m_animation->endValue().toRect().center(), resting.center());
            QVERIFY(m_animation->endValue().toRect().width() <= 1);
            QVERIFY(!m_dlg->close()); // asking again while shrinking changes nothing
            QCOMPARE(finished.count(), 0);
            QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
            QVERIFY(ending.elapsed() >= 760);
        }
        QCOMPARE(finished.at(0).at(0).toInt(), result);
        QVERIFY(!m_dlg->isVisible());
        const bool saved = result == QDialog::Accepted;
        QCOMPARE(m_dlg->lookUpEnglish(), saved ? QStringLiteral("apple") : QString());
        QCOMPARE(m_dlg->outputFolder(), saved ? QStringLiteral("/tmp/词") : QString());

        // Shown again, it is back at full size at once.
        m_dlg->show();
        QCOMPARE(m_animation->state(), QAbstractAnimation::Stopped);
        QCOMPARE(m_dlg->size(), resting.size());
        QCOMPARE(m_dlg->maximumSize(), resting.size());
    }

    void enterOutsideButtonsOpensHelp()
    {
        showAndSettle();
        auto* edit = child<QLineEdit>("lookUpEnglishEdit");
        edit->setFocus();
        QStringList seen;
        QVERIFY(catchModal([edit] { QTest::keyClick(edit, Qt::Key_Return); }, [&](QDialog* box) {
            QVERIFY(qobject_cast<CHelpDlg*>(box) && !box->parentWidget());
            seen << box->windowTitle()
                 << box->findChild<QLabel*>(QStringLiteral("thanksLabel"))->text();
        }));
        QCOMPARE(seen, (QStringList{QStringLiteral("帮助"), QStringLiteral("谢谢使用\n   2010年7月")}));
        QVERIFY(m_dlg->isVisible());
    }

    void rightClickOffersOpenVocabularyAndAbout()
    {
        showAndSettle();
        // A blank spot inside the look-up frame: the group box passes the request on.
        const QPoint spot = toPixels(m_dlg->font(), QRect(340, 65, 1, 1)).topLeft();
        QWidget* under = m_dlg->childAt(spot);
        QVERIFY(qobject_cast<QGroupBox*>(under));
        QStringList entries;
        QTimer::singleShot(0, this, [&entries] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            for (QAction* action : menu ? menu->actions() : QList<QAction*>()) {
                if (!action->isSeparator())
                    entries.append(action->text());
            }
            if (menu)
                menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, under->mapFrom(m_dlg, spot),
                                m_dlg->mapToGlobal(spot));
        QApplication::sendEvent(under, &event);
        QTRY_COMPARE(entries, (QStringList{QStringLiteral("打开词库…"), QStringLiteral("关于 Lexovox(&A)...")}));

        auto* about = child<QAction>("aboutAction");
        QStringList seen;
        QVERIFY(catchModal([about] { about->trigger(); }, [&seen](QDialog* box) {
            QVERIFY(qobject_cast<CAboutDlg*>(box));
            seen << box->windowTitle()
                 << box->findChild<QLabel*>(QStringLiteral("versionLabel"))->text()
                 << box->findChild<QPushButton*>(QStringLiteral("okButton"))->text();
        }));
        QCOMPARE(seen, (QStringList{QStringLiteral("关于 Lexovox"),
                                    QStringLiteral("Lexovox 1.5版"), QStringLiteral("确定")}));
    }

    void windowCommandsCompareTheirUpperBits()
    {
        const struct
        {
            unsigned command;
            bool opens;
        } cases[] = {{0x10, true}, {0x11, true}, {0x1F, true}, {0x0F, false}, {0x20, false},
                     {0xF060, false}};
        for (const auto& c : cases) {
            const bool opened = catchModal([&] { m_dlg->OnSysCommand(c.command); },
                                           [](QDialog* box) { QVERIFY(qobject_cast<CAboutDlg*>(box)); });
            QVERIFY2(opened == c.opens, qPrintable(QString::number(c.command, 16)));
        }
    }

    void downloadLinkOpensTheReadmesMoreVoicesOnClick()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        QWidget* link = child("downloadLinkLabel");
        showAndSettle();

        // Pressed on the link but let go elsewhere: no click.
        QTest::mousePress(link, Qt::LeftButton, {}, link->rect().center());
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
        QVERIFY(m_openedUrls.isEmpty());

        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        // The build is laid out as installed: the README sits in share/doc/lexovox.
        QCOMPARE(m_openedUrls.size(), 1);
        const QUrl opened = m_openedUrls.first();
        QVERIFY2(opened.isLocalFile() && opened.path().endsWith(u"/share/doc/lexovox/README.md"), qPrintable(opened.toString()));
        QCOMPARE(opened.fragment(), u"more-voices"_qs);
        QVERIFY(QFile(opened.toLocalFile()).open(QIODevice::ReadOnly));
        QVERIFY(m_dlg->isVisible());
    }

private:
    template <class T = QWidget>
    T* child(const char* name) const
    {
        return m_dlg->findChild<T*>(QString::fromLatin1(name));
    }

    void showAndSettle()
    {
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(m_dlg));
        QTRY_COMPARE(m_animation->state(), QAbstractAnimation::Stopped);
    }

    QPointer<CWordSpeechDlg> m_dlg;
    QPointer<QPropertyAnimation> m_animation;
    QList<QUrl> m_openedUrls;
};

QTEST_MAIN(TestCWordSpeechDlg)
#include "test_cwordspeechdlg.moc"
