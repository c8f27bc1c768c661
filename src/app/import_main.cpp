// lexovox-import: turns a word list (CSV with en, ch, subclass) or an old Jet 4 vocabulary into
// the vocabulary file the program reads.

#include <cstdio>

#include <QCoreApplication>
#include <QStringList>

#include "vocab/vocabimporter.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    QString password = ProgramDatabasePassword();
    for (qsizetype i = args.size() - 1; i >= 0; --i) {
        if (args[i].startsWith(u"--password=")) {
            password = args[i].mid(11);
            args.removeAt(i);
        }
    }
    if (args.size() != 2 || args[0].startsWith(u'-') || args[1].startsWith(u'-')) {
        std::fprintf(stderr, "usage: lexovox-import [--force] [--password=TEXT] SOURCE code.dll\n"
                             "  SOURCE           a UTF-8 CSV whose first line names the columns en,ch,subclass,\n"
                             "                   or an old Access (Jet 4) vocabulary with table word\n"
                             "  --force          replace an existing vocabulary file\n"
                             "  --password=TEXT  the Access file's password, if not the program's own\n");
        return 2;
    }
    const Result<qint64> rows = ImportVocabulary(args[0], args[1], force, password);
    if (!rows) {
        std::fprintf(stderr, "lexovox-import: %s\n", rows.error().ErrorMessage().toLocal8Bit().constData());
        return 1;
    }
    std::printf("%lld words written to %s\n", static_cast<long long>(*rows), args[1].toLocal8Bit().constData());
    return 0;
}
