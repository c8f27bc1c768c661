#include <QAction>
#include <QBrush>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "ui/cwordspeechdlg.h"
#include "ui/programsettings.h"
#include "ui/prompt.h"
#include "uitestsupport.h"
#include "ui/rememberedvocabulary.h"
#include "vocab/vocabularylocation.h"
#include "vocab/wordlistmodel.h"
#include "vocab/wordstore.h"

namespace {

// Two lists of the vocabulary's own, named out of alphabetical order, one with apostrophes and
// a comma, between rows of a catalogue book.
constexpr char kOwnCourses[] = R"(
    INSERT INTO word VALUES
        ('zebra', '斑马', '托福词汇'),
        ('book', '书', '英语四级考试词组'),
        ('o''clock', '点钟', 'teacher''s list, ''A'''),
        ('apple', '苹果', '托福词汇'),
        ('it''s', '它是', 'teacher''s list, ''A''');
)";
constexpr char kBooksOnly[] = R"(
    INSERT INTO word VALUES ('book', '书', '英语四级考试词组'), ('desk', '书桌', '英语六级考试词组');
)";
constexpr char kOtherLists[] = R"(
    INSERT INTO word VALUES ('cat', '猫', '初中短语'), ('dog', '狗', '中考词汇');
)";

// A book of the fifth category with over a thousand words, one of the two books of the fourth,
// and a list of the vocabulary's own.
constexpr char kCountedBooks[] = R"(
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1203)
    INSERT INTO word SELECT 'w' || i, '词', '新版新概念第一册' FROM n;
    INSERT INTO word VALUES ('book', '书', '英语四级考试词组'), ('cat', '猫', '我的词表'), ('dog', '狗', '我的词表');
)";

} // namespace

class TestCourseTree : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Prompt::setTesting(true);
        QVERIFY(m_dir.isValid());
        // The remembered file goes to a settings folder of the test's own.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
        WriteSqlVocabulary(path("own.db"), {kWordTable, kOwnCourses});
        WriteSqlVocabulary(path("books.db"), {kWordTable, kBooksOnly});
        WriteSqlVocabulary(path("other.db"), {kWordTable, kOtherLists});
        WriteSqlVocabulary(path("counted.db"), {kWordTable, kCountedBooks});
    }

    void init()
    {
        ProgramSettings()->clear(); // each test starts from a first run
        Prompt::takeShown();
    }

    void ownCoursesFollowTheCatalogueInFileOrder()
    {
        WordStore store;
        QVERIFY(store.Open(VocabularyConnectionString(path("own.db"))));
        CWordSpeechDlg dlg(&store);
        QAbstractItemModel* tree = treeOf(dlg)->model();
        QCOMPARE(tree->rowCount(), 12);
        const QModelIndex other = tree->index(10, 0);
        QCOMPARE(other.data().toString(), QStringLiteral("其他词表"));
        QCOMPARE(courseNames(tree, other),
                 (QStringList{QStringLiteral("托福词汇"), QStringLiteral("teacher's list, 'A'")}));
        // The catalogue's book keeps its place and is not listed again.
        QCOMPARE(tree->rowCount(tree->index(4, 0)), 2);

        // Selected like a book: the quoted name finds its rows.
        treeOf(dlg)->setCurrentIndex(tree->index(1, 0, other));
        QCOMPARE(dlg.course(), QStringLiteral("teacher's list, 'A'"));
        QCOMPARE(dlg.wordListModel()->count(), 2);
        QCOMPARE(dlg.wordListModel()->en(0), QStringLiteral("o'clock"));
        treeOf(dlg)->setCurrentIndex(other); // the category itself lists nothing new
        QCOMPARE(dlg.wordListModel()->count(), 2);
        QVERIFY(Prompt::takeShown().isEmpty());
    }

    void noOwnCoursesNoCategory()
    {
        WordStore store;
        QVERIFY(store.Open(VocabularyConnectionString(path("books.db"))));
        CWordSpeechDlg withBooks(&store);
        QCOMPARE(treeOf(withBooks)->model()->rowCount(), 11); // the catalogue, then 我的词表
        CWordSpeechDlg withoutVocabulary(nullptr);
        const QAbstractItemModel* bare = treeOf(withoutVocabulary)->model();
        QCOMPARE(bare->rowCount(), 11);
        // Without a vocabulary no book lists anything.
        QVERIFY(isGreyed(bare->index(4, 0)));
        QCOMPARE(bare->index(0, 0, bare->index(4, 0)).data(Qt::ToolTipRole).toString(), QStringLiteral("没有单词"));
        QVERIFY(Prompt::takeShown().isEmpty());
    }

    void booksSayHowManyWordsAndEmptyOnesAreGreyed()
    {
        WordStore store;
        QVERIFY(store.Open(VocabularyConnectionString(path("counted.db"))));
        CWordSpeechDlg dlg(&store);
        QTreeView* view = treeOf(dlg);
        const QAbstractItemModel* tree = view->model();

        const QModelIndex newConcept = tree->index(5, 0);
        const QModelIndex full = tree->index(0, 0, newConcept);
        QCOMPARE(full.data().toString(), QStringLiteral("新版新概念第一册"));
        QCOMPARE(full.data(Qt::ToolTipRole).toString(), QStringLiteral("共 1,203 个单词"));
        QVERIFY(!isGreyed(full));
        const QModelIndex empty = tree->index(1, 0, newConcept);
        QCOMPARE(empty.data().toString(), QStringLiteral("新版新概念第二册"));
        QCOMPARE(empty.data(Qt::ToolTipRole).toString(), QStringLiteral("没有单词"));
        QVERIFY(isGreyed(empty));
        QVERIFY(!isGreyed(newConcept));

        // One full book keeps its category plain; its empty neighbour is greyed.
        const QModelIndex exams = tree->index(4, 0);
        QCOMPARE(tree->index(0, 0, exams).data(Qt::ToolTipRole).toString(), QStringLiteral("共 1 个单词"));
        QVERIFY(!isGreyed(exams));
        QVERIFY(isGreyed(tree->index(1, 0, exams)));
        const QModelIndex own = tree->index(10, 0);
        QCOMPARE(tree->index(0, 0, own).data(Qt::ToolTipRole).toString(), QStringLiteral("共 2 个单词"));
        QVERIFY(!isGreyed(own));
        // Every other category holds only empty books.
        for (const int row : {0, 1, 2, 3, 6, 7, 8, 9})
            QVERIFY2(isGreyed(tree->index(row, 0)), qPrintable(tree->index(row, 0).data().toString()));

        // Greyed is only drawn so: the empty book is still chosen and empties the list.
        QVERIFY(tree->flags(empty).testFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
        view->setCurrentIndex(empty);
        QCOMPARE(dlg.course(), QStringLiteral("新版新概念第二册"));
        QCOMPARE(dlg.wordListModel()->count(), 0);

        // Another vocabulary brings its own counts.
        Prompt::setNextFile(path("books.db"));
        dlg.findChild<QAction*>(QStringLiteral("openVocabularyAction"))->trigger();
        QCOMPARE(tree->index(1, 0, tree->index(4, 0)).data(Qt::ToolTipRole).toString(), QStringLiteral("共 1 个单词"));
        QVERIFY(!isGreyed(tree->index(1, 0, tree->index(4, 0))));
        QVERIFY(isGreyed(tree->index(0, 0, tree->index(5, 0))));
        QVERIFY(isGreyed(tree->index(5, 0)));
        QVERIFY(Prompt::takeShown().isEmpty());
    }

    void openVocabularyReplacesTheListsAndIsRemembered()
    {
        WordStore store;
        QVERIFY(store.Open(VocabularyConnectionString(path("own.db"))));
        CWordSpeechDlg dlg(&store);
        QTreeView* view = treeOf(dlg);
        view->setCurrentIndex(view->model()->index(0, 0, view->model()->index(10, 0)));
        QCOMPARE(dlg.wordListModel()->count(), 2);

        auto* open = dlg.findChild<QAction*>(QStringLiteral("openVocabularyAction"));
        QVERIFY(open);
        QCOMPARE(open->text(), QStringLiteral("打开词库…"));
        QCOMPARE(dlg.findChild<QMenu*>(QStringLiteral("systemMenu"))->actions().value(0), open);

        // A file that will not open is reported; the open vocabulary stays.
        Prompt::setNextFile(path("missing.db"));
        open->trigger();
        QCOMPARE(Prompt::takeShown().size(), 1);
        QCOMPARE(store.FilePath(), path("own.db"));
        QCOMPARE(courseNames(view->model(), view->model()->index(10, 0)).size(), 2);

        // Cancelling the picker changes nothing.
        open->trigger();
        QCOMPARE(dlg.wordListModel()->count(), 2);

        Prompt::setNextFile(path("other.db"));
        open->trigger();
        QVERIFY(Prompt::takeShown().isEmpty());
        QCOMPARE(store.FilePath(), path("other.db"));
        QCOMPARE(RememberedVocabulary(), path("other.db"));
        QCOMPARE(dlg.wordListModel()->count(), 0);
        QCOMPARE(courseNames(view->model(), view->model()->index(10, 0)),
                 (QStringList{QStringLiteral("初中短语"), QStringLiteral("中考词汇")}));
        view->setCurrentIndex(view->model()->index(1, 0, view->model()->index(10, 0)));
        QCOMPARE(dlg.wordListModel()->count(), 1);
        QCOMPARE(dlg.wordListModel()->en(0), QStringLiteral("dog"));

        // Started without one, the window keeps the file it opens.
        CWordSpeechDlg bare(nullptr);
        Prompt::setNextFile(path("own.db"));
        bare.findChild<QAction*>(QStringLiteral("openVocabularyAction"))->trigger();
        QCOMPARE(treeOf(bare)->model()->rowCount(), 12);
        QCOMPARE(RememberedVocabulary(), path("own.db"));
    }

private:
    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    static QTreeView* treeOf(const CWordSpeechDlg& dlg)
    {
        return dlg.findChild<QTreeView*>(QStringLiteral("courseTreeView"));
    }

    static bool isGreyed(const QModelIndex& node)
    {
        const QVariant colour = node.data(Qt::ForegroundRole);
        return colour.isValid()
               && colour.value<QBrush>().color() == QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
    }

    static QStringList courseNames(const QAbstractItemModel* tree, const QModelIndex& category)
    {
        QStringList names;
        for (int row = 0; row < tree->rowCount(category); ++row)
            names << tree->index(row, 0, category).data().toString();
        return names;
    }

    QTemporaryDir m_dir;
};

QTEST_MAIN(TestCourseTree)
#include "test_coursetree.moc"
