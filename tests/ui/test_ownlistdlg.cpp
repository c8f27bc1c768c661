#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "ui/ownlistdlg.h"
#include "ui/prompt.h"
#include "uitestsupport.h"
#include "vocab/meaninglookup.h"
#include "vocab/ownlists.h"
#include "vocab/vocabularylocation.h"
#include "vocab/wordlistcsv.h"
#include "vocab/wordstore.h"

namespace {

constexpr char kFruit[] = R"(
    CREATE TABLE word (en TEXT, ch TEXT, subclass TEXT);
    INSERT INTO word VALUES ('apple', '苹果', '托福词汇'), ('banana', '香蕉', '托福词汇');
)";

QString column(const QAbstractItemModel* model, int column)
{
    QStringList cells;
    for (int row = 0; row < model->rowCount(); ++row)
        cells << model->index(row, column).data().toString();
    return cells.join(u'|');
}

} // namespace

class TestOwnListDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Prompt::setTesting(true);
        QVERIFY(m_dir.isValid());
        WriteSqlVocabulary(m_dir.filePath(QStringLiteral("fruit.db")), {kFruit});
        QVERIFY(m_store.Open(VocabularyConnectionString(m_dir.filePath(QStringLiteral("fruit.db")))));
        m_lookup = std::make_shared<const MeaningLookup>(&m_store);
        QVERIFY(m_lists.Open(m_dir.filePath(QStringLiteral("mylists.db"))));
    }

    void init() { Prompt::takeShown(); }

    void theTableFollowsTheTextAndKeepsEditedMeanings()
    {
        OwnListDlg dlg(&m_lists, {}, m_lookup, {});
        dlg.show();
        auto* text = dlg.findChild<QPlainTextEdit*>(QStringLiteral("listTextEdit"));
        auto* table = dlg.findChild<QTableView*>(QStringLiteral("listWordTableView"));
        auto* summary = dlg.findChild<QLabel*>(QStringLiteral("listSummaryLabel"));
        QCOMPARE(summary->text(), QStringLiteral("还没有单词"));

        const QString tooLong(201, u'x');
        text->setPlainText(u"1. apple\nbanana\n\n---\napple\nmango\n"_qs + tooLong + u"\n"_qs);
        // Read a moment after the change, not at once.
        QCOMPARE(table->model()->rowCount(), 0);
        QTRY_VERIFY2(table->model()->rowCount() == 3, qPrintable(column(table->model(), 0)));
        QCOMPARE(column(table->model(), 0), QStringLiteral("apple|banana|mango"));
        QCOMPARE(column(table->model(), 2), QStringLiteral("词库|词库|没找到"));
        QCOMPARE(table->model()->headerData(2, Qt::Vertical).toInt(), 6); // mango's line
        QVERIFY2(summary->text().contains(QStringLiteral("合并了 1 个重复的单词")), qPrintable(summary->text()));
        QVERIFY2(summary->text().contains(QStringLiteral("第 4 行没有单词")), qPrintable(summary->text()));
        QVERIFY2(summary->text().contains(QStringLiteral("第 7 行超过 200 个字符")), qPrintable(summary->text()));

        // An edited meaning is the user's, and stays through more typing.
        QVERIFY(table->model()->setData(table->model()->index(0, 1), QStringLiteral("苹果；苹果树")));
        QVERIFY(table->model()->setData(table->model()->index(2, 1), QStringLiteral("芒果")));
        QCOMPARE(column(table->model(), 2), QStringLiteral("自己填|词库|自己填"));
        text->appendPlainText(QStringLiteral("kiwi"));
        QTRY_COMPARE(table->model()->rowCount(), 4);
        QCOMPARE(column(table->model(), 1), QStringLiteral("苹果；苹果树|香蕉|芒果|"));
        // Emptied, the found meaning comes back with its source.
        QVERIFY(table->model()->setData(table->model()->index(0, 1), QString()));
        QCOMPARE(column(table->model(), 1), QStringLiteral("苹果|香蕉|芒果|"));
        QCOMPARE(column(table->model(), 2), QStringLiteral("词库|词库|自己填|没找到"));
    }

    void importReadsAFileIntoTheBox()
    {
        OwnListDlg dlg(&m_lists, {}, m_lookup, {});
        dlg.show();
        const QString file = m_dir.filePath(QStringLiteral("第六周.txt"));
        writeFile(file, "apple\r\nbanana\t\xe9\xa6\x99\xe8\x95\x89\r\n");
        Prompt::setNextFile(file);
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("importButton")), Qt::LeftButton);
        auto* table = dlg.findChild<QTableView*>(QStringLiteral("listWordTableView"));
        QTRY_COMPARE(table->model()->rowCount(), 2);
        QCOMPARE(dlg.findChild<QLineEdit*>(QStringLiteral("listNameEdit"))->text(), QStringLiteral("第六周"));
        QVERIFY(dlg.findChild<QPushButton*>(QStringLiteral("saveButton"))->isEnabled());

        // Not text: said, and the box keeps what it had.
        const QString binary = m_dir.filePath(QStringLiteral("noise.bin"));
        writeFile(binary, QByteArray("\x00\x01\x02\xff\xfe\x00\x10", 7).repeated(200));
        Prompt::setNextFile(binary);
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("importButton")), Qt::LeftButton);
        QList<Prompt::Message> said;
        QTRY_VERIFY((said += Prompt::takeShown(), !said.isEmpty()));
        QCOMPARE(said.size(), 1);
        QCOMPARE(table->model()->rowCount(), 2);
        QVERIFY(dlg.findChild<QPlainTextEdit*>(QStringLiteral("listTextEdit"))->toPlainText().startsWith(u"apple"_qs));
    }

    void twentyThousandPastedLinesKeepTheWindowResponsive()
    {
        OwnListDlg dlg(&m_lists, {}, m_lookup, {});
        dlg.show();
        QString pasted;
        for (int i = 0; i < 20000; ++i)
            pasted += QStringLiteral("word%1\n").arg(i);
        auto* table = dlg.findChild<QTableView*>(QStringLiteral("listWordTableView"));
        auto* progress = dlg.findChild<QProgressBar*>(QStringLiteral("listProgressBar"));

        // The event loop's longest pause while the text is read.
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        bool progressShown = false;
        QTimer beat;
        connect(&beat, &QTimer::timeout, this, [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
            progressShown = progressShown || progress->isVisible();
        });
        dlg.findChild<QPlainTextEdit*>(QStringLiteral("listTextEdit"))->setPlainText(pasted);
        clock.start();
        beat.start(10);
        QTRY_COMPARE_WITH_TIMEOUT(table->model()->rowCount(), 20000, 30000);
        beat.stop();
        QVERIFY(progressShown);
        QVERIFY(!progress->isVisible());
        QVERIFY2(longest < 400, qPrintable(QStringLiteral("the window stood still for %1 ms").arg(longest)));

        // Saved at once after more typing: what is saved is the text as it stands.
        dlg.findChild<QLineEdit*>(QStringLiteral("listNameEdit"))->setText(QStringLiteral("很长的词表"));
        dlg.findChild<QPlainTextEdit*>(QStringLiteral("listTextEdit"))->appendPlainText(QStringLiteral("last"));
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("saveButton")), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        const Result<QList<OwnListWord>> saved = m_lists.Words(QStringLiteral("很长的词表"));
        QVERIFY(saved);
        QCOMPARE(saved->size(), 20001);
        QCOMPARE(saved->constLast().en, QStringLiteral("last"));
    }

    void csvIsWrittenWholeOrNotAtAll()
    {
        const QList<OwnListWord> words{{u"a, b"_qs, u"\"引号\""_qs, MeaningSource::Typed}};
        // Over an existing file: replaced whole.
        const QString target = m_dir.filePath(QStringLiteral("list.csv"));
        writeFile(target, QByteArray(5000, 'z'));
        QVERIFY(WriteWordListCsv(target, QStringLiteral("表"), words));
        QFile written(target);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("en,ch,subclass\n\"a, b\",\"\"\"\xe5\xbc\x95\xe5\x8f\xb7\"\"\",\"\xe8\xa1\xa8\"\n"));

        // A folder where the file should go: refused, the folder left as it was, nothing beside it.
        const QString folder = m_dir.filePath(QStringLiteral("taken.csv"));
        QVERIFY(QDir().mkpath(folder));
        const Result<void> refused = WriteWordListCsv(folder, QStringLiteral("表"), words);
        QVERIFY(!refused);
        QVERIFY(QFileInfo(folder).isDir());
        const QStringList left = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        for (const QString& name : left)
            QVERIFY2(!name.endsWith(u".part"_qs), qPrintable(name));
    }

private:
    static void writeFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir m_dir;
    WordStore m_store;
    std::shared_ptr<const MeaningLookup> m_lookup;
    OwnLists m_lists;
};

QTEST_MAIN(TestOwnListDlg)
#include "test_ownlistdlg.moc"
