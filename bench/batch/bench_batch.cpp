// Times batch generation through the window's handler against a bare loop of SpeakToFile
// over the same words. Not a test: run it by hand, offscreen.

#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include "speech/composeutterance.h"
#include "speech/platform/voice.h"
#include "speech/speechengine.h"
#include "ui/cwordspeechdlg.h"
#include "ui/folderbrowser.h"
#include "ui/prompt.h"
#include "vocab/vocabimporter.h"
#include "vocab/wordlistfill.h"
#include "vocab/wordlistmodel.h"
#include "vocab/wordstore.h"

namespace {

constexpr int kWords = 500;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Prompt::setTesting(true);
    QTemporaryDir work;
    QString source = QStringLiteral(LEXOVOX_SHARED_DIR "/vocab/words.csv");
    if (!QFile::exists(source))
        source = QStringLiteral(LEXOVOX_SOURCE_DIR "/data/sample_words.csv");
    const QString db = work.filePath(QStringLiteral("code.dll"));
    if (const Result<qint64> imported = ImportVocabulary(source, db, true); !imported) {
        std::fprintf(stderr, "%s\n", imported.error().what());
        return 1;
    }
    QDir::setCurrent(work.path());
    WordStore store;
    store.Open(QStringLiteral("Data Source=code.dll"));

    CWordSpeechDlg dlg(&store);
    WordListModel& words = *dlg.wordListModel();
    FillWordList(&store, QStringLiteral("select en,ch from word where en not like '%/%' limit %1").arg(kWords), words);
    words.checkAll();
    std::printf("words: %d from %s\n", words.count(), qPrintable(source));

    // The bare loop: the same engine calls with nothing around them.
    const QString bareFolder = work.filePath(QStringLiteral("bare"));
    QDir().mkpath(bareFolder);
    SpeechEngine engine;
    engine.Initialize(nullptr);
    auto start = Clock::now();
    for (int row = 0; row < words.count(); ++row) {
        engine.SpeakToFile(ComposeUtterance(words.en(row), words.ch(row), {}), speech::Voice::kSpeakAsync,
                           bareFolder + u'/' + words.en(row) + QStringLiteral(".wav"));
    }
    const double bare = secondsSince(start);

    const QString batchFolder = work.filePath(QStringLiteral("batch"));
    QDir().mkpath(batchFolder);
    FolderBrowser::setNextResult(batchFolder);
    dlg.findChild<QPushButton*>(QStringLiteral("browseButton"))->click();
    dlg.show();
    start = Clock::now();
    dlg.findChild<QPushButton*>(QStringLiteral("generateButton"))->click();
    const double batch = secondsSince(start);

    const qsizetype written = QDir(batchFolder).entryList(QDir::Files).size();
    std::printf("bare SpeakToFile loop: %6.2f s, %6.1f words/s\n", bare, words.count() / bare);
    std::printf("batch through handler: %6.2f s, %6.1f words/s, %lld files\n", batch, words.count() / batch,
                static_cast<long long>(written));
    std::printf("batch / bare = %.2f (target >= 0.9)\n", bare / batch);
    std::printf("closing message: %s\n", qPrintable(Prompt::takeShown().value(0).text.section(u'\n', 0, 0)));
    return 0;
}
