#include <functional>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "ui/cwordspeechdlg.h"
#include "ui/programsettings.h"
#include "ui/folderbrowser.h"

namespace {

/// Runs `act`, which opens the browser modally; `interact` gets the dialog once it is up.
void withBrowser(const std::function<void()>& act, const std::function<void(QDialog*)>& interact)
{
    bool seen = false;
    std::function<void()> poll;
    poll = [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->objectName() == QStringLiteral("folderBrowserDialog")) {
            seen = true;
            interact(dialog);
            return;
        }
        QTimer::singleShot(10, qApp, poll);
    };
    QTimer::singleShot(0, qApp, poll);
    act();
    QVERIFY(seen);
}

QModelIndex folderIndex(QTreeView* tree, const QString& path)
{
    return qobject_cast<QFileSystemModel*>(tree->model())->index(path);
}

} // namespace

class TestFolderBrowser : public QObject
{
    Q_OBJECT

private slots:
    void init() { ProgramSettings()->clear(); } // each test starts from a first run

    void chosenFolderFillsTheBoxAndCancelEmptiesIt()
    {
        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).absolutePath();
        CWordSpeechDlg dlg(nullptr);
        dlg.show();
        auto* browse = dlg.findChild<QPushButton*>(QStringLiteral("browseButton"));
        auto* box = dlg.findChild<QLineEdit*>(QStringLiteral("outputFolderEdit"));
        QVERIFY(box->isReadOnly());

        withBrowser([&] { QTest::mouseClick(browse, Qt::LeftButton); }, [&](QDialog* browser) {
            QVERIFY(browser->isModal());
            QVERIFY(browser->findChildren<QLabel*>().first()->text() == QStringLiteral("请选择一个存储目录"));
            auto* tree = browser->findChild<QTreeView*>(QStringLiteral("folderTreeView"));
            auto* ok = browser->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            QVERIFY(!ok->isEnabled()); // "我的电脑" names no folder: nothing highlighted yet
            tree->setCurrentIndex(folderIndex(tree, folder));
            QCOMPARE(browser->findChild<QLabel*>(QStringLiteral("statusLabel"))->text(), folder);
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        QCOMPARE(box->text(), folder);
        QCOMPARE(dlg.outputFolder(), folder);

        withBrowser([&] { QTest::mouseClick(browse, Qt::LeftButton); },
                    [](QDialog* browser) { browser->reject(); });
        QCOMPARE(box->text(), QString());
        QCOMPARE(dlg.outputFolder(), QString());
    }

    void startFolderAndPlacesPreselect()
    {
        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).absolutePath();
        FolderBrowser browser;
        QString result;
        withBrowser([&] { result = browser.Browse(nullptr, folder); }, [&](QDialog* dialog) {
            auto* status = dialog->findChild<QLabel*>(QStringLiteral("statusLabel"));
            QTRY_COMPARE(status->text(), folder);
            // The home folder is one click away.
            auto* places = dialog->findChild<QListWidget*>(QStringLiteral("placesList"));
            QListWidgetItem* home = places->item(0);
            QCOMPARE(home->data(Qt::UserRole).toString(), QDir::homePath());
            QTest::mouseClick(places->viewport(), Qt::LeftButton, {}, places->visualItemRect(home).center());
            QTRY_COMPARE(status->text(), QDir::homePath());
            dialog->accept();
        });
        QCOMPARE(result, QDir::homePath());
    }
};

QTEST_MAIN(TestFolderBrowser)
#include "test_folderbrowser.moc"
