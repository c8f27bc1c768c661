// Times the start on the default vocabulary (application, vocabulary, counting each course's
// words, window with its course tree, until the window is on screen) and filling the word list
// with the largest course. Not a test: run it by hand, optionally with another vocabulary file
// as its argument (the 768,118-row list imported with lexovox-import, for the counting goal).

#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTest>
#include <QTreeView>

#include "ui/cwordspeechdlg.h"
#include "vocab/vocabularycourses.h"
#include "vocab/vocabularylocation.h"
#include "vocab/wordlistmodel.h"
#include "vocab/wordstore.h"

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point kStart = Clock::now();

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char* argv[])
{
    // The window keeps its choices; the bench must neither read nor change the user's.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    QApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(LEXOVOX_DEFAULT_VOCAB);
    const double appMs = msSince(kStart);

    auto t = Clock::now();
    WordStore store;
    if (const Result<void> opened = store.Open(VocabularyConnectionString(path)); !opened) {
        std::fprintf(stderr, "%s\n", opened.error().what());
        return 1;
    }
    const double openMs = msSince(t);

    t = Clock::now();
    const QStringList courses = VocabularyCourses(store).value_or(QStringList{});
    const double coursesMs = msSince(t);

    // The tree counts again when it is built; timed alone here, as the one statement it adds.
    t = Clock::now();
    const QHash<QString, int> counts = CourseWordCounts(store).value_or(QHash<QString, int>{});
    const double countsMs = msSince(t);

    t = Clock::now();
    CWordSpeechDlg dlg(&store);
    const double buildMs = msSince(t);
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg))
        std::fprintf(stderr, "the window was not exposed\n");
    const double shownMs = msSince(kStart);

    // The largest course, and the tree node that lists it.
    QString largest;
    qsizetype largestRows = 0;
    qsizetype words = 0;
    for (auto course = counts.cbegin(); course != counts.cend(); ++course) {
        words += course.value();
        if (course.value() > largestRows) {
            largest = course.key();
            largestRows = course.value();
        }
    }
    auto* tree = dlg.findChild<QTreeView*>(QStringLiteral("courseTreeView"));
    const QModelIndexList nodes = tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, largest, 1,
                                                       Qt::MatchExactly | Qt::MatchRecursive);
    double fillMs = -1;
    if (!nodes.isEmpty()) {
        t = Clock::now();
        tree->setCurrentIndex(nodes.first());
        QCoreApplication::processEvents();
        fillMs = msSince(t);
    }

    std::printf("vocabulary         %s\n", qPrintable(path));
    std::printf("courses            %lld (listed in %.1f ms)\n", static_cast<long long>(courses.size()), coursesMs);
    std::printf("words counted      %lld in %lld courses in %.1f ms (goal: <= 50 ms)\n", static_cast<long long>(words),
                static_cast<long long>(counts.size()), countsMs);
    std::printf("application        %.1f ms\n", appMs);
    std::printf("open vocabulary    %.1f ms\n", openMs);
    std::printf("build window       %.1f ms (course tree, speech engine, voices)\n", buildMs);
    std::printf("window shown after %.1f ms from start (goal: <= 1000 ms)\n", shownMs);
    std::printf("largest course     %s, %lld rows: list filled in %.1f ms\n", qPrintable(largest),
                static_cast<long long>(largestRows), fillMs);
    std::printf("list shows         %lld rows\n", static_cast<long long>(dlg.wordListModel()->count()));
    return 0;
}
