// Times what a teacher waits for when a week's words become an own list: building the meaning
// look-up from the vocabulary and looking 200 words up, parsing 20,000 lines, and reading a
// GB18030 file of them. Not a test: run it by hand, with the vocabulary as its argument.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include <QCoreApplication>
#include <QStringEncoder>
#include <QStringList>
#include <QTemporaryDir>

#include "vocab/listfile.h"
#include "vocab/listtext.h"
#include "vocab/meaninglookup.h"
#include "vocab/vocabularylocation.h"
#include "vocab/wordstore.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double g_lastCpuMs = 0;

/// The median of `runs` timings of `body`, in milliseconds of the wall clock; the median of the
/// process's own processor time in g_lastCpuMs, which a machine shared with other builds does
/// not inflate.
template <class Body>
double median(int runs, Body&& body)
{
    std::vector<double> times;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        const std::clock_t cpuStart = std::clock();
        body();
        cpu.push_back(1000.0 * double(std::clock() - cpuStart) / CLOCKS_PER_SEC);
        times.push_back(msSince(start));
    }
    std::ranges::sort(times);
    std::ranges::sort(cpu);
    g_lastCpuMs = cpu[cpu.size() / 2];
    return times[times.size() / 2];
}

QStringList sampleWords(WordStore& store)
{
    // Every 200th headword, some in capitals or with their spacing changed, and some the
    // vocabulary lacks: the look-up goes down all three of its ways.
    QStringList words;
    int row = 0;
    (void)store.SelectWords(u"SELECT en, ch FROM word"_qs, [&](WordEntry&& entry) {
        if (row++ % 200 == 0 && words.size() < 150)
            words.append(words.size() % 3 == 1 ? entry.en.toUpper() : words.size() % 3 == 2 ? entry.en + u'.' : entry.en);
    });
    for (int i = 0; words.size() < 200; ++i)
        words.append(u"qzxv"_qs + QString::number(i));
    return words;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2 || arguments[1] == u"--help") {
        std::fputs("usage: bench_ownlists build/share/lexovox/code.dll\n", stderr);
        return 2;
    }
    WordStore store;
    if (const Result<void> opened = store.Open(VocabularyConnectionString(arguments[1])); !opened) {
        std::fprintf(stderr, "%s\n", opened.error().what());
        return 1;
    }
    const QStringList words = sampleWords(store);
    int found = 0;
    const double lookup = median(7, [&] {
        const MeaningLookup meanings(&store);
        found = 0;
        for (const QString& word : words)
            found += meanings.Find(word).has_value();
    });
    const double lookupCpu = g_lastCpuMs;
    const MeaningLookup built(&store);
    const double lookupsOnly = median(7, [&] {
        for (const QString& word : words)
            (void)built.Find(word);
    });
    std::printf("meaning look-up: built and 200 words looked up (%d found) in %.1f ms (%.1f ms processor time); "
                "the 200 look-ups alone %.3f ms\n",
                found, lookup, lookupCpu, lookupsOnly);

    QString text;
    for (int i = 0; i < 20000; ++i)
        text += QString::number(i + 1) + u". word"_qs + QString::number(i) + u"  词义 "_qs + QString::number(i) + u"\r\n"_qs;
    std::size_t parsedWords = 0;
    const double parse = median(7, [&] { parsedWords = std::size_t(ParseListText(text).words.size()); });
    std::printf("parse: 20,000 lines (%zu words) in %.1f ms (%.1f ms processor time)\n", parsedWords, parse, g_lastCpuMs);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"week.txt"_qs);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QStringEncoder("GB18030").encode(text)) < 0)
        return 1;
    file.close();
    const double read = median(7, [&] { (void)ReadListFile(path); });
    std::printf("read: the same 20,000 lines as a GB18030 file (%lld bytes) in %.1f ms\n",
                static_cast<long long>(QFileInfo(path).size()), read);
    return 0;
}
