// Times filling the word list from a large vocabulary against reading the same rows with the
// bare SQLite API, and reports memory growth. Not a test: run it by hand (see --help).

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include "ui/wordlistview.h"
#include "vocab/vocabimporter.h"
#include "vocab/wordlistfill.h"
#include "vocab/wordlistmodel.h"
#include "vocab/wordstatements.h"
#include "vocab/wordstore.h"

namespace {

constexpr int kRows = 100000;
const QString kCourse = QStringLiteral("基准课程");

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

bool exec(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) == SQLITE_OK)
        return true;
    std::fprintf(stderr, "sqlite: %s\n", error);
    sqlite3_free(error);
    return false;
}

/// The whole dictionary when it is there (its first rows moved under one course key), else
/// generated rows.
bool buildVocabulary(const QString& dir, QString* dictionaryNote)
{
    const QString csv = dir + QStringLiteral("/words.csv");
    const QString big = QStringLiteral(LEXOVOX_SHARED_DIR "/vocab/big.csv.gz");
    if (QFile::exists(big)) {
        QProcess gunzip;
        gunzip.setStandardOutputFile(csv);
        gunzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), big});
        if (!gunzip.waitForFinished(-1) || gunzip.exitCode() != 0)
            return false;
        *dictionaryNote = big;
    } else {
        QFile out(csv);
        if (!out.open(QIODevice::WriteOnly))
            return false;
        out.write("en,ch,subclass\n");
        for (int i = 0; i < kRows; ++i)
            out.write(QStringLiteral("word%1,解释%1,x\n").arg(i).toUtf8());
        *dictionaryNote = QStringLiteral("generated rows (shared word lists not found)");
    }
    const QString db = dir + QStringLiteral("/code.dll");
    const Result<qint64> imported = ImportVocabulary(csv, db, true);
    if (!imported) {
        std::fprintf(stderr, "%s\n", imported.error().what());
        return false;
    }
    sqlite3* raw = nullptr;
    sqlite3_open(db.toUtf8().constData(), &raw);
    const QByteArray update =
        QStringLiteral("UPDATE word SET subclass='%1' WHERE rowid <= %2").arg(kCourse).arg(kRows).toUtf8();
    const bool ok = exec(raw, update.constData());
    sqlite3_close(raw);
    return ok;
}

double bareRead(const QString& db, size_t* rows)
{
    const auto start = Clock::now();
    sqlite3* raw = nullptr;
    sqlite3_open_v2(db.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = CourseStatement(kCourse).toUtf8();
    sqlite3_prepare_v2(raw, sql.constData(), -1, &stmt, nullptr);
    std::vector<std::pair<std::string, std::string>> copy;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        copy.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                          reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(raw);
    *rows = copy.size();
    return msSince(start);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QString source;
    std::printf("building a vocabulary of %d rows under one course ...\n", kRows);
    if (!buildVocabulary(dir.path(), &source))
        return 1;
    std::printf("source: %s\n", qPrintable(source));
    QDir::setCurrent(dir.path());
    WordStore store;
    if (const Result<void> opened = store.Open(QStringLiteral("Data Source=code.dll")); !opened) {
        std::fprintf(stderr, "%s\n", opened.error().what());
        return 1;
    }

    size_t bareRows = 0;
    bareRead(dir.path() + QStringLiteral("/code.dll"), &bareRows); // warm the page cache
    const double a = bareRead(dir.path() + QStringLiteral("/code.dll"), &bareRows);

    const long rssBefore = residentKb();
    WordListModel model;
    auto start = Clock::now();
    if (!FillWordList(&store, CourseStatement(kCourse), model))
        return 1;
    const double b = msSince(start);
    const long rssAfter = residentKb();

    model.clear();
    QTableView view;
    ConfigureWordListView(&view, &model);
    view.resize(336, 578);
    view.show();
    QCoreApplication::processEvents();
    start = Clock::now();
    if (!FillWordList(&store, CourseStatement(kCourse), model))
        return 1;
    QCoreApplication::processEvents();
    view.scrollToBottom();
    view.repaint();
    QCoreApplication::processEvents();
    const double c = msSince(start);

    start = Clock::now();
    model.checkAll();
    model.invertChecks();
    QCoreApplication::processEvents();
    const double checks = msSince(start);

    model.clear();
    start = Clock::now();
    if (!FillWordList(&store, EnglishLookUpStatement(QStringLiteral("tion")), model))
        return 1;
    const double lookUp = msSince(start);
    const int lookUpRows = model.count();

    std::printf("rows: %zu (model %d)\n", bareRows, kRows);
    std::printf("(a) bare SQLite read + copy:        %8.1f ms\n", a);
    std::printf("(b) FillWordList into the model:    %8.1f ms   b/a = %.2f (target <= 2)\n", b, b / a);
    std::printf("(c) (b) + view shown, scrolled:     %8.1f ms   c/a = %.2f (target <= 3)\n", c, c / a);
    std::printf("check all + invert:                 %8.1f ms   %.3f of (b) (target < 0.1)\n", checks, checks / b);
    std::printf("resident memory growth of (b):      %8.1f MB (target < 150)\n", (rssAfter - rssBefore) / 1024.0);
    std::printf("English look-up 'tion' over the whole file: %.1f ms, %d rows\n", lookUp, lookUpRows);

    // The same course from an Access (Jet 4) vocabulary: opening copies it into memory.
    const QString jet = dir.path() + QStringLiteral("/jet.dll");
    QProcess make;
    make.start(QStringLiteral("python3"),
               {QStringLiteral(LEXOVOX_SOURCE_DIR "/bench/jet/make_jet_vocabulary.py"),
                QStringLiteral(LEXOVOX_SHARED_DIR "/testdata/jet/word_fixture.mdb"),
                QStringLiteral(LEXOVOX_SHARED_DIR "/vocab/big.csv.gz"), QString::number(kRows), kCourse, jet});
    if (!make.waitForFinished(-1) || make.exitCode() != 0) {
        std::printf("Jet vocabulary not made (python3 or the shared files missing): %s\n",
                    make.readAllStandardError().constData());
        return 0;
    }
    model.clear();
    start = Clock::now();
    WordStore jetStore;
    // Opening is what is timed; a failure shows as the fill's.
    (void)jetStore.Open(QStringLiteral("Data Source=jet.dll;Jet OLEDB:Database Password=9F3B51C0E2A4"));
    const double jetOpen = msSince(start);
    if (!FillWordList(&jetStore, CourseStatement(kCourse), model))
        return 1;
    const double jetTotal = msSince(start);
    std::printf("Jet 4 file: open (copy into memory) %.1f ms + fill = %.1f ms, %d rows; (Jet)/(b) = %.2f\n", jetOpen,
                jetTotal, model.count(), jetTotal / b);
    model.clear();
    start = Clock::now();
    if (!FillWordList(&jetStore, CourseStatement(kCourse), model))
        return 1;
    const double jetAgain = msSince(start);
    std::printf("Jet 4 file, every later fill: %.1f ms; /(b) = %.2f\n", jetAgain, jetAgain / b);
    return 0;
}
