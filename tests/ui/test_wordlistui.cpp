#include <array>
#include <vector>


#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "ui/cwordspeechdlg.h"
#include "ui/programsettings.h"
#include "ui/prompt.h"
#include "uitestsupport.h"
#include "vocab/wordlistmodel.h"
#include "vocab/wordstore.h"

namespace {

constexpr char kSchema[] = R"(
    CREATE TABLE word (en TEXT, ch TEXT, subclass TEXT);
    INSERT INTO word VALUES
        ('apple', '苹果', '人教版小学英语第一册'),
        ('o''clock', '……点钟', '人教版小学英语第一册'),
        ('look at', '看', '人教版小学英语第一册'),
        ('pineapple', '菠萝', '人教版小学英语第一册'),
        ('banana', '香蕉', '北京版小学英语第三册'),
        ('one', '一', '北京版小学英语第三册'),
        ('two', '二', '北京版小学英语第三册'),
        ('CD', '光盘', 'it''s key');
)";

// A word table behind a view, so one row ('bad') makes the statement fail while it runs.
constexpr char kFailingSchema[] = R"(
    CREATE TABLE raw (en TEXT, ch TEXT, subclass TEXT);
    CREATE VIEW word AS
        SELECT en, CASE WHEN en = 'bad' THEN json('x') ELSE ch END AS ch, subclass FROM raw;
    INSERT INTO raw VALUES
        ('banana', '香蕉', '北京版小学英语第三册'),
        ('one', '一', '北京版小学英语第三册'),
        ('two', '二', '北京版小学英语第三册'),
        ('bad', '坏', '北京版小学英语第三册'),
        ('three', '三', '北京版小学英语第三册');
)";

const char* const kActionControls[] = {
    "lookUpEnglishButton", "lookUpChineseButton", "previewButton",  "generateButton",
    "browseButton",        "checkAllButton",      "checkNoneButton", "invertChecksButton",
    "helpButton",          "courseTreeView",      "chineseMeaningCheckBox", "prefixCheckBox",
    "spellOutCheckBox",
};

} // namespace

class TestWordListUi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Prompt::setTesting(true);
        QVERIFY(m_dir.isValid());
        WriteSqlVocabulary(m_dir.filePath(QStringLiteral("code.dll")), {kSchema});
        WriteSqlVocabulary(m_dir.filePath(QStringLiteral("failing.db")), {kFailingSchema});
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        QVERIFY(m_store.Open(QStringLiteral("Data Source=code.dll")));
    }

    void cleanupTestCase() { QDir::setCurrent(m_previous); }

    void init()
    {
        ProgramSettings()->clear(); // each test starts from a first run
        Prompt::takeShown();
        m_dlg = new CWordSpeechDlg(&m_store);
        m_tree = m_dlg->findChild<QTreeView*>(QStringLiteral("courseTreeView"));
        m_list = m_dlg->findChild<QTableView*>(QStringLiteral("wordTableView"));
        m_model = m_dlg->wordListModel();
        QVERIFY(m_tree && m_list && m_model);
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dlg));
    }

    void cleanup()
    {
        delete m_dlg;
        m_dlg = nullptr;
    }

    void treeStartsCollapsedWithTheCatalogue()
    {
        QAbstractItemModel* tree = m_tree->model();
        QCOMPARE(tree->rowCount(), 12); // the catalogue's 10, 其他词表 for 'it''s key', then 我的词表
        QCOMPARE(tree->index(9, 0).data().toString(), QStringLiteral("TOEFL词汇"));
        QCOMPARE(tree->index(9, 0).data(Qt::UserRole).toInt(), 800);
        const QModelIndex mba = tree->index(0, 0, tree->index(8, 0));
        QCOMPARE(mba.data().toString(), QStringLiteral("MBA联考大纲"));
        QCOMPARE(mba.data(Qt::UserRole).toInt(), 821);
        QCOMPARE(tree->rowCount(tree->index(0, 0)), 21);
        for (int row = 0; row < tree->rowCount(); ++row)
            QVERIFY(!m_tree->isExpanded(tree->index(row, 0)));
        QVERIFY(!m_tree->currentIndex().isValid());
        QCOMPARE(m_model->count(), 0);
    }

    void clickSelectsExactlyTheNodeClickedAndKeepsOneBranchOpen()
    {
        QAbstractItemModel* tree = m_tree->model();
        const QModelIndex primary = tree->index(0, 0);
        const QModelIndex junior = tree->index(1, 0);
        click(primary);
        QTRY_VERIFY(m_tree->isExpanded(primary));
        QCOMPARE(m_tree->currentIndex(), primary);

        // Junior is 21 rows further down now; opening it closes primary and moves it up under
        // the pointer's old place. The press is held and the pointer wobbles before release.
        const QPoint at = m_tree->visualRect(junior).center();
        QTest::mousePress(m_tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseMove(m_tree->viewport(), at + QPoint(2, 1));
        QTest::mouseRelease(m_tree->viewport(), Qt::LeftButton, {}, at + QPoint(2, 1));
        QTRY_VERIFY(m_tree->isExpanded(junior));
        QVERIFY(!m_tree->isExpanded(primary));
        QCOMPARE(m_tree->currentIndex(), junior);
        QCOMPARE(m_tree->selectionModel()->selectedIndexes(), QModelIndexList{junior});

        // A book inside the open branch keeps its category open.
        const QModelIndex book = tree->index(2, 0, junior);
        click(book);
        QCOMPARE(m_tree->currentIndex(), book);
        QTest::qWait(0);
        QVERIFY(m_tree->isExpanded(junior));
    }

    void bookFillsTheListAndCategoriesLeaveItAlone()
    {
        selectBook(0, 0);
        QCOMPARE(m_model->count(), 4);
        QCOMPARE(m_model->en(1), QStringLiteral("o'clock"));
        QCOMPARE(m_model->ch(1), QStringLiteral("……点钟"));
        QCOMPARE(m_dlg->course(), QStringLiteral("人教版小学英语第一册"));
        QVERIFY(Prompt::takeShown().isEmpty());

        m_model->setChecked(2, true);
        m_list->selectRow(3);
        click(m_tree->model()->index(4, 0)); // a category
        QCOMPARE(m_model->count(), 4);
        QCOMPARE(m_model->checkedRows(), std::vector<int>{2});
        QCOMPARE(m_dlg->SelectedRow(), 3);
        QCOMPARE(m_dlg->course(), QStringLiteral("人教版小学英语第一册"));

        // A book without rows empties the list and leaves the controls enabled.
        selectBook(0, 1);
        QCOMPARE(m_model->count(), 0);
        for (const char* name : kActionControls)
            QVERIFY2(m_dlg->findChild<QWidget*>(QString::fromUtf8(name))->isEnabled(), name);
    }

    void lookUpsFollowTheLengthRulesAndFindApostrophes()
    {
        auto* english = m_dlg->findChild<QLineEdit*>(QStringLiteral("lookUpEnglishEdit"));
        auto* chinese = m_dlg->findChild<QLineEdit*>(QStringLiteral("lookUpChineseEdit"));
        auto* englishButton = m_dlg->findChild<QPushButton*>(QStringLiteral("lookUpEnglishButton"));
        auto* chineseButton = m_dlg->findChild<QPushButton*>(QStringLiteral("lookUpChineseButton"));
        selectBook(0, 0);
        const QModelIndex book = m_tree->currentIndex();

        for (const QString& tooShort : {QStringLiteral("a"), QStringLiteral(" a "), QString()}) {
            english->setText(tooShort);
            QTest::mouseClick(englishButton, Qt::LeftButton);
            QCOMPARE(m_model->count(), 4);
        }
        english->setText(QStringLiteral("a pple"));
        QTest::mouseClick(englishButton, Qt::LeftButton);
        QCOMPARE(m_model->count(), 2); // apple, pineapple
        QCOMPARE(english->text(), QStringLiteral("a pple")); // the box keeps what was typed
        QCOMPARE(m_tree->currentIndex(), book);

        english->setText(QStringLiteral("o'clock"));
        englishButton->setFocus();
        QTest::mouseClick(englishButton, Qt::LeftButton);
        QVERIFY(englishButton->hasFocus()); // locking the controls does not lose the focus
        QCOMPARE(m_model->count(), 1);
        QCOMPARE(m_model->en(0), QStringLiteral("o'clock"));

        chinese->setText(QStringLiteral("   "));
        QTest::mouseClick(chineseButton, Qt::LeftButton);
        QCOMPARE(m_model->count(), 1);
        chinese->setText(QStringLiteral("光"));
        QTest::mouseClick(chineseButton, Qt::LeftButton);
        QCOMPARE(m_model->count(), 1);
        QCOMPARE(m_model->en(0), QStringLiteral("CD"));
        QVERIFY(Prompt::takeShown().isEmpty());
    }

    void controlsAreLockedDuringAFillAndFailuresKeepRows()
    {
        WordStore failing;
        QVERIFY(failing.Open(QStringLiteral("Data Source=failing.db")));
        delete m_dlg;
        m_dlg = new CWordSpeechDlg(&failing);
        m_tree = m_dlg->findChild<QTreeView*>(QStringLiteral("courseTreeView"));
        m_model = m_dlg->wordListModel();
        std::vector<bool> enabledDuringFill;
        connect(m_model, &QAbstractItemModel::rowsAboutToBeInserted, this, [&] {
            for (const char* name : kActionControls)
                enabledDuringFill.push_back(m_dlg->findChild<QWidget*>(QString::fromUtf8(name))->isEnabled());
        });
        selectBook(0, 17); // 北京版小学英语第三册: fails at 'bad'
        QCOMPARE(enabledDuringFill, std::vector<bool>(std::size(kActionControls), false));
        QCOMPARE(m_model->count(), 3);
        QCOMPARE(m_model->en(2), QStringLiteral("two"));
        const QList<Prompt::Message> shown = Prompt::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::Warning);
        QVERIFY2(shown[0].text.contains(QStringLiteral("malformed JSON")), qPrintable(shown[0].text));
        for (const char* name : kActionControls)
            QVERIFY2(m_dlg->findChild<QWidget*>(QString::fromUtf8(name))->isEnabled(), name);
    }

    void checkButtonsWorkOnTheList()
    {
        selectBook(0, 0);
        m_model->setChecked(0, true);
        m_model->setChecked(2, true);
        m_list->selectRow(1);
        QTest::mouseClick(m_dlg->findChild<QPushButton*>(QStringLiteral("invertChecksButton")), Qt::LeftButton);
        QCOMPARE(m_model->checkedRows(), (std::vector<int>{1, 3}));
        QCOMPARE(m_dlg->SelectedRow(), 1); // checks and selection are independent
        QTest::mouseClick(m_dlg->findChild<QPushButton*>(QStringLiteral("checkAllButton")), Qt::LeftButton);
        QCOMPARE(m_model->checkedRows().size(), size_t(4));
        QTest::mouseClick(m_dlg->findChild<QPushButton*>(QStringLiteral("checkNoneButton")), Qt::LeftButton);
        QVERIFY(m_model->checkedRows().empty());

        // The check box in the first column answers a click.
        const QRect cell = m_list->visualRect(m_model->index(0, 0));
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 8, cell.center().y()));
        QCOMPARE(m_model->checkedRows(), std::vector<int>{0});
    }

    void withoutAVocabularyTheUserIsToldOnce()
    {
        CWordSpeechDlg bare(nullptr);
        bare.show();
        auto* tree = bare.findChild<QTreeView*>(QStringLiteral("courseTreeView"));
        tree->setCurrentIndex(tree->model()->index(0, 0, tree->model()->index(0, 0)));
        const QList<Prompt::Message> shown = Prompt::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(!shown[0].text.isEmpty());
        QCOMPARE(bare.wordListModel()->count(), 0);
    }

private:
    void click(const QModelIndex& node)
    {
        m_tree->scrollTo(node);
        QTest::mouseClick(m_tree->viewport(), Qt::LeftButton, {}, m_tree->visualRect(node).center());
    }

    void selectBook(int category, int book)
    {
        const QModelIndex index = m_tree->model()->index(book, 0, m_tree->model()->index(category, 0));
        m_tree->setCurrentIndex(index);
        QCOMPARE(m_tree->currentIndex(), index);
    }

    QTemporaryDir m_dir;
    QString m_previous;
    WordStore m_store;
    CWordSpeechDlg* m_dlg = nullptr;
    QTreeView* m_tree = nullptr;
    QTableView* m_list = nullptr;
    WordListModel* m_model = nullptr;
};

QTEST_MAIN(TestWordListUi)
#include "test_wordlistui.moc"
