// lexovox-import: turns a word list (CSV with en, ch, subclass) into the vocabulary file.

#include <cstdio>

#include <QCoreApplication>
#include <QStringList>

#include "vocab/vocabimporter.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    if (args.size() != 2 || args[0].startsWith(u'-') || args[1].startsWith(u'-')) {
        std::fprintf(stderr, "usage: lexovox-import [--force] WORDS.csv code.dll\n"
                             "  WORDS.csv  UTF-8 text whose first line names the columns en,ch,subclass\n"
                             "  --force    replace an existing vocabulary file\n");
        return 2;
    }
    const ImportReport report = ImportVocabulary(args[0], args[1], force);
    if (!report.ok()) {
        std::fprintf(stderr, "lexovox-import: %s\n", report.error.toLocal8Bit().constData());
        return 1;
    }
    std::printf("%lld words written to %s\n", static_cast<long long>(report.rows), args[1].toLocal8Bit().constData());
    return 0;
}
