#include <functional>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "ui/cwordspeechdlg.h"
#include "ui/ownlistdlg.h"
#include "ui/programsettings.h"
#include "ui/prompt.h"
#include "uitestsupport.h"
#include "vocab/ownlists.h"
#include "vocab/vocabimporter.h"
#include "vocab/vocabularylocation.h"
#include "vocab/wordlistmodel.h"
#include "vocab/wordstore.h"

namespace {

// A vocabulary with a list of its own (so 其他词表 shows) and meanings to look up.
constexpr char kWithOwnCourse[] = R"(
    INSERT INTO word VALUES ('apple', '苹果', '托福词汇'), ('banana', '香蕉', '托福词汇'),
                            ('desk', '书桌', 'teacher''s list');
)";
constexpr char kBooksOnly[] = R"(
    INSERT INTO word VALUES ('book', '书', '英语四级考试词组');
)";

// Runs `act`, which opens the list dialog modally; `inside` works the dialog and closes it.
void withListDialog(const std::function<void()>& act, const std::function<void(OwnListDlg*)>& inside)
{
    bool opened = false;
    QTimer::singleShot(0, qApp, [&] {
        auto* dialog = qobject_cast<OwnListDlg*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        opened = true;
        inside(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    act();
    QVERIFY2(opened, "the list dialog did not open");
}

// Types `text` into `widget` key by key, as a keyboard or an input method would give it.
void type(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c == u'\n')
            QTest::keyClick(widget, Qt::Key_Return);
        else if (c == u'\t')
            QTest::keyClick(widget, Qt::Key_Tab);
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

template <class T>
T* childOf(QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qWarning("no %s", name);
    return found;
}

} // namespace

class TestOwnLists : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Prompt::setTesting(true);
        QVERIFY(m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
        WriteSqlVocabulary(path("fruit.db"), {kWordTable, kWithOwnCourse});
        WriteSqlVocabulary(path("books.db"), {kWordTable, kBooksOnly});
    }

    void init()
    {
        // Each test its own lists' file.
        m_data = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
        ProgramSettings()->clear();
        Prompt::takeShown();
    }

    void ownListsFollowTheVocabularysCategoriesWhicheverIsOpen()
    {
        {
            OwnLists lists;
            QVERIFY(lists.Open());
            QVERIFY(lists.Save(QStringLiteral("第三周"), {{u"apple"_qs, u"苹果"_qs, MeaningSource::Vocabulary},
                                                          {u"kite"_qs, u"风筝"_qs, MeaningSource::Typed}}, false));
            QVERIFY(lists.Save(QStringLiteral("第四周"), {{u"desk"_qs, u"书桌"_qs, MeaningSource::Typed}}, false));
        }
        WordStore store;
        QVERIFY(store.Open(VocabularyConnectionString(path("fruit.db"))));
        CWordSpeechDlg dlg(&store);
        QTreeView* view = treeOf(dlg);
        const QAbstractItemModel* tree = view->model();
        QCOMPARE(tree->rowCount(), 12);
        QCOMPARE(tree->index(10, 0).data().toString(), QStringLiteral("其他词表"));
        const QModelIndex own = tree->index(11, 0);
        QCOMPARE(own.data().toString(), QStringLiteral("我的词表"));
        QCOMPARE(names(tree, own), (QStringList{QStringLiteral("第三周"), QStringLiteral("第四周")}));
        QCOMPARE(tree->index(0, 0, own).data(Qt::ToolTipRole).toString(), QStringLiteral("共 2 个单词"));

        // Chosen as a course: its words listed, and the run names it as its course.
        view->setCurrentIndex(tree->index(0, 0, own));
        QCOMPARE(dlg.course(), QStringLiteral("第三周"));
        QCOMPARE(dlg.wordListModel()->count(), 2);
        QCOMPARE(dlg.wordListModel()->en(1), QStringLiteral("kite"));
        QCOMPARE(dlg.wordListModel()->ch(1), QStringLiteral("风筝"));
        view->setCurrentIndex(own); // the category lists nothing new
        QCOMPARE(dlg.wordListModel()->count(), 2);

        // Another vocabulary, without lists of its own: 我的词表 right after the catalogue.
        Prompt::setNextFile(path("books.db"));
        dlg.findChild<QAction*>(QStringLiteral("openVocabularyAction"))->trigger();
        QCOMPARE(tree->rowCount(), 11);
        QCOMPARE(names(tree, tree->index(10, 0)), (QStringList{QStringLiteral("第三周"), QStringLiteral("第四周")}));
        view->setCurrentIndex(tree->index(1, 0, tree->index(10, 0)));
        QCOMPARE(dlg.wordListModel()->count(), 1);
        QCOMPARE(dlg.wordListModel()->en(0), QStringLiteral("desk"));

        // Without any vocabulary too.
        CWordSpeechDlg bare(nullptr);
        QCOMPARE(names(treeOf(bare)->model(), treeOf(bare)->model()->index(10, 0)).size(), 2);
        QVERIFY(Prompt::takeShown().isEmpty());
    }

    void newListIsTypedLookedUpCorrectedSavedAndListed()
    {
        WordStore store;
        QVERIFY(store.Open(VocabularyConnectionString(path("fruit.db"))));
        CWordSpeechDlg dlg(&store);
        const QAbstractItemModel* tree = treeOf(dlg)->model();
        QVERIFY(tree->index(11, 0).data(Qt::ToolTipRole).toString().contains(QStringLiteral("新建词表")));

        withListDialog([&] { QTest::mouseClick(childOf<QPushButton>(&dlg, "newOwnListButton"), Qt::LeftButton); },
                       [&](OwnListDlg* list) {
            QTest::keyClicks(childOf<QLineEdit>(list, "listNameEdit"), QStringLiteral("Week 3"));
            auto* text = childOf<QPlainTextEdit>(list, "listTextEdit");
            text->setFocus();
            type(text, QStringLiteral("apple\nkite\t风筝\nzyzzyva\n"));
            auto* table = childOf<QTableView>(list, "listWordTableView");
            QTRY_COMPARE(table->model()->rowCount(), 3);
            QCOMPARE(row(table, 0), (QStringList{u"apple"_qs, u"苹果"_qs, u"词库"_qs}));
            QCOMPARE(row(table, 1), (QStringList{u"kite"_qs, u"风筝"_qs, u"自己填"_qs}));
            QCOMPARE(row(table, 2), (QStringList{u"zyzzyva"_qs, QString(), u"没找到"_qs}));
            QVERIFY(childOf<QLabel>(list, "listSummaryLabel")->text().contains(QStringLiteral("1 个没找到意思")));

            // The missing meaning typed in place, as a user does.
            table->setCurrentIndex(table->model()->index(2, 1));
            table->edit(table->currentIndex());
            auto* editor = table->viewport()->findChild<QLineEdit*>();
            QVERIFY(editor);
            type(editor, QStringLiteral("象鼻虫"));
            QTest::keyClick(editor, Qt::Key_Return);
            // Enter ends the edit only: the dialog stays open, nothing saved yet.
            QTRY_COMPARE(row(table, 2), (QStringList{u"zyzzyva"_qs, u"象鼻虫"_qs, u"自己填"_qs}));
            QVERIFY(list->isVisible());
            QVERIFY(dlg.ownLists()->Names().value_or(QStringList{u"?"_qs}).isEmpty());
            QVERIFY(!childOf<QLabel>(list, "listSummaryLabel")->text().contains(QStringLiteral("没找到")));
            QTest::mouseClick(childOf<QPushButton>(list, "saveButton"), Qt::LeftButton);
        });
        QVERIFY(Prompt::takeShown().isEmpty());

        // In the tree, selected, its words listed.
        const QModelIndex own = tree->index(11, 0);
        QCOMPARE(names(tree, own), QStringList{QStringLiteral("Week 3")});
        QCOMPARE(treeOf(dlg)->currentIndex(), tree->index(0, 0, own));
        QCOMPARE(dlg.course(), QStringLiteral("Week 3"));
        QCOMPARE(dlg.wordListModel()->count(), 3);
        QCOMPARE(dlg.wordListModel()->ch(2), QStringLiteral("象鼻虫"));
        const Result<QList<OwnListWord>> saved = dlg.ownLists()->Words(QStringLiteral("Week 3"));
        QVERIFY(saved);
        QCOMPARE(*saved, (QList<OwnListWord>{{u"apple"_qs, u"苹果"_qs, MeaningSource::Vocabulary},
                                            {u"kite"_qs, u"风筝"_qs, MeaningSource::Typed},
                                            {u"zyzzyva"_qs, u"象鼻虫"_qs, MeaningSource::Typed}}));
    }

    void savingChecksTheNameAndAsksBeforeReplacing()
    {
        WordStore store;
        QVERIFY(store.Open(VocabularyConnectionString(path("fruit.db"))));
        CWordSpeechDlg dlg(&store);
        QVERIFY(dlg.ownLists()->Save(QStringLiteral("旧的"), {{u"desk"_qs, u"书桌"_qs, MeaningSource::Typed}}, false));

        withListDialog([&] { childOf<QAction>(&dlg, "newOwnListAction")->trigger(); }, [&](OwnListDlg* list) {
            auto* name = childOf<QLineEdit>(list, "listNameEdit");
            auto* save = childOf<QPushButton>(list, "saveButton");
            childOf<QPlainTextEdit>(list, "listTextEdit")->setPlainText(QStringLiteral("apple"));
            QTRY_COMPARE(childOf<QTableView>(list, "listWordTableView")->model()->rowCount(), 1);

            QTest::mouseClick(save, Qt::LeftButton); // no name
            QCOMPARE(Prompt::takeShown().size(), 1);
            name->setText(QStringLiteral("托福词汇")); // a book of the catalogue
            QTest::mouseClick(save, Qt::LeftButton);
            QCOMPARE(Prompt::takeShown().size(), 1);
            name->setText(QStringLiteral("teacher's list")); // the vocabulary's own course
            QTest::mouseClick(save, Qt::LeftButton);
            const QList<Prompt::Message> refused = Prompt::takeShown();
            QCOMPARE(refused.size(), 1);
            QVERIFY(refused[0].text.contains(QStringLiteral("词库里已有")));
            QVERIFY(list->isVisible());

            // An existing list: asked, and kept when the answer is no.
            name->setText(QStringLiteral("旧的"));
            QTest::mouseClick(save, Qt::LeftButton);
            QCOMPARE(Prompt::takeShown().value(0).icon, QMessageBox::Question);
            QVERIFY(list->isVisible());
            Prompt::setNextAnswer(true);
            QTest::mouseClick(save, Qt::LeftButton);
            QCOMPARE(Prompt::takeShown().size(), 1);
            QVERIFY(!list->isVisible());
        });
        const Result<QList<OwnListWord>> replaced = dlg.ownLists()->Words(QStringLiteral("旧的"));
        QVERIFY(replaced);
        QCOMPARE(replaced->size(), 1);
        QCOMPARE(replaced->value(0).en, QStringLiteral("apple"));
        QCOMPARE(dlg.course(), QStringLiteral("旧的"));
        QCOMPARE(dlg.wordListModel()->en(0), QStringLiteral("apple"));
    }

    void aListIsEditedRenamedExportedAndRemoved()
    {
        {
            OwnLists lists;
            QVERIFY(lists.Open());
            QVERIFY(lists.Save(QStringLiteral("第五周"),
                               {{u"apple"_qs, u"苹果"_qs, MeaningSource::Vocabulary},
                                {u"say \"hi\", please"_qs, u"打个招呼，好吗"_qs, MeaningSource::Typed}},
                               false));
            QVERIFY(lists.Save(QStringLiteral("别的"), {{u"desk"_qs, u"书桌"_qs, MeaningSource::Typed}}, false));
        }
        WordStore store;
        QVERIFY(store.Open(VocabularyConnectionString(path("fruit.db"))));
        CWordSpeechDlg dlg(&store);
        OwnLists& lists = *dlg.ownLists();
        QTreeView* view = treeOf(dlg);
        const QModelIndex own = view->model()->index(11, 0);
        QCOMPARE(names(view->model(), own).size(), 2);

        // The list's entries show only on a list.
        auto* edit = childOf<QAction>(&dlg, "editOwnListAction");
        view->setCurrentIndex(view->model()->index(0, 0));
        QVERIFY(!edit->isVisible());
        view->setCurrentIndex(view->model()->index(0, 0, own));
        QVERIFY(edit->isVisible());

        // 编辑词表…: the dialog holds the list as saved; the found meaning keeps its source.
        withListDialog([&] { edit->trigger(); }, [&](OwnListDlg* list) {
            QCOMPARE(childOf<QLineEdit>(list, "listNameEdit")->text(), QStringLiteral("第五周"));
            auto* table = childOf<QTableView>(list, "listWordTableView");
            QCOMPARE(table->model()->rowCount(), 2);
            QCOMPARE(row(table, 0), (QStringList{u"apple"_qs, u"苹果"_qs, u"词库"_qs}));
            QCOMPARE(row(table, 1), (QStringList{u"say \"hi\", please"_qs, u"打个招呼，好吗"_qs, u"自己填"_qs}));
            childOf<QPlainTextEdit>(list, "listTextEdit")->appendPlainText(QStringLiteral("banana"));
            QTRY_COMPARE(table->model()->rowCount(), 3);
            QTest::mouseClick(childOf<QPushButton>(list, "saveButton"), Qt::LeftButton);
        });
        QCOMPARE(dlg.course(), QStringLiteral("第五周"));
        QCOMPARE(dlg.wordListModel()->count(), 3);
        QCOMPARE(dlg.wordListModel()->ch(2), QStringLiteral("香蕉"));

        // 重命名…: a name taken is refused; a free one renames the list, still selected.
        Prompt::setNextText(QStringLiteral("别的"));
        childOf<QAction>(&dlg, "renameOwnListAction")->trigger();
        QCOMPARE(Prompt::takeShown().size(), 1);
        Prompt::setNextText(QStringLiteral("第五周（复习）"));
        childOf<QAction>(&dlg, "renameOwnListAction")->trigger();
        QVERIFY(Prompt::takeShown().isEmpty());
        QCOMPARE(names(view->model(), view->model()->index(11, 0)),
                 (QStringList{QStringLiteral("第五周（复习）"), QStringLiteral("别的")}));
        QCOMPARE(dlg.course(), QStringLiteral("第五周（复习）"));

        // 导出 CSV…: read back by the importer's own rules; a folder that is not there writes nothing.
        const QString csv = m_data->filePath(QStringLiteral("week5.csv"));
        Prompt::setNextSaveFile(csv);
        childOf<QAction>(&dlg, "exportOwnListAction")->trigger();
        QVERIFY(Prompt::takeShown().isEmpty());
        const Result<std::vector<WordEntry>> exported = ReadWordList(csv, QStringLiteral("第五周（复习）"));
        QVERIFY2(exported, exported ? "" : qPrintable(exported.error().ErrorMessage()));
        QCOMPARE(*exported, (std::vector<WordEntry>{{u"apple"_qs, u"苹果"_qs},
                                                    {u"say \"hi\", please"_qs, u"打个招呼，好吗"_qs},
                                                    {u"banana"_qs, u"香蕉"_qs}}));
        Prompt::setNextSaveFile(m_data->filePath(QStringLiteral("missing/week5.csv")));
        childOf<QAction>(&dlg, "exportOwnListAction")->trigger();
        QCOMPARE(Prompt::takeShown().size(), 1);
        QVERIFY(!QDir(m_data->filePath(QStringLiteral("missing"))).exists());

        // 删除: asked first; no keeps it, yes takes it and empties the word list.
        childOf<QAction>(&dlg, "removeOwnListAction")->trigger();
        QCOMPARE(Prompt::takeShown().value(0).icon, QMessageBox::Question);
        QCOMPARE(names(view->model(), view->model()->index(11, 0)).size(), 2);
        Prompt::setNextAnswer(true);
        childOf<QAction>(&dlg, "removeOwnListAction")->trigger();
        QCOMPARE(Prompt::takeShown().size(), 1);
        QCOMPARE(names(view->model(), view->model()->index(11, 0)), QStringList{QStringLiteral("别的")});
        QCOMPARE(dlg.wordListModel()->count(), 0);
        QVERIFY(dlg.course().isEmpty());
        QCOMPARE(lists.Names().value_or(QStringList()), QStringList{QStringLiteral("别的")});
    }

    void listsThatWillNotOpenLeaveTheWindowUsable()
    {
        // A file where the lists' folder should be: nothing can be made there.
        QFile blocker(m_data->filePath(QStringLiteral("lexovox")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        WordStore store;
        QVERIFY(store.Open(VocabularyConnectionString(path("fruit.db"))));
        CWordSpeechDlg dlg(&store);
        QVERIFY(!dlg.ownLists());
        const QList<Prompt::Message> said = Prompt::takeShown();
        QCOMPARE(said.size(), 1);
        QVERIFY(said[0].text.contains(QStringLiteral("我的词表打不开")));

        QTreeView* view = treeOf(dlg);
        const QModelIndex own = view->model()->index(11, 0);
        QCOMPARE(own.data().toString(), QStringLiteral("我的词表"));
        QCOMPARE(view->model()->rowCount(own), 0);
        QVERIFY(own.data(Qt::ToolTipRole).toString().startsWith(QStringLiteral("我的词表打不开：")));
        QVERIFY(own.data(Qt::ToolTipRole).toString().size() > QStringLiteral("我的词表打不开：").size());

        // The vocabulary is there as ever, and another opened says nothing of the lists again.
        view->setCurrentIndex(view->model()->index(0, 0, view->model()->index(10, 0)));
        QCOMPARE(dlg.wordListModel()->count(), 2);
        Prompt::setNextFile(path("books.db"));
        dlg.findChild<QAction*>(QStringLiteral("openVocabularyAction"))->trigger();
        QVERIFY(Prompt::takeShown().isEmpty());

        // 新建词表… opens, reads the text, and says why it cannot save.
        withListDialog([&] { QTest::mouseClick(childOf<QPushButton>(&dlg, "newOwnListButton"), Qt::LeftButton); },
                       [&](OwnListDlg* list) {
            childOf<QPlainTextEdit>(list, "listTextEdit")->setPlainText(QStringLiteral("book"));
            QTRY_COMPARE(childOf<QTableView>(list, "listWordTableView")->model()->rowCount(), 1);
            QVERIFY(!childOf<QPushButton>(list, "saveButton")->isEnabled());
            auto* why = childOf<QLabel>(list, "listUnavailableLabel");
            QVERIFY(why->isVisible());
            QVERIFY(why->text().startsWith(QStringLiteral("词表无法保存：")));
        });
    }

private:
    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    static QTreeView* treeOf(const CWordSpeechDlg& dlg)
    {
        return dlg.findChild<QTreeView*>(QStringLiteral("courseTreeView"));
    }

    static QStringList names(const QAbstractItemModel* tree, const QModelIndex& category)
    {
        QStringList names;
        for (int row = 0; row < tree->rowCount(category); ++row)
            names << tree->index(row, 0, category).data().toString();
        return names;
    }

    static QStringList row(const QTableView* table, int row)
    {
        QStringList cells;
        for (int column = 0; column < table->model()->columnCount(); ++column)
            cells << table->model()->index(row, column).data().toString();
        return cells;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_data;
};

QTEST_MAIN(TestOwnLists)
#include "test_ownlists.moc"
