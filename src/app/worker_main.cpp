// lexovox-worker: speaks the words of a batch into files, one voice per process, for the
// window and lexovox-batch. Not for running by hand: it reads its job on standard input.

#include <QCommandLineParser>
#include <QCoreApplication>

#include "base/comerror.h"
#include "output/batchworker.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    FailWritesPastSizeLimit();
    QCoreApplication::setApplicationName(QStringLiteral("lexovox-worker"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Speaks the words of a Lexovox batch into files. Started by lexovox and lexovox-batch, which send "
        "the run's job and then one word a line on standard input."));
    parser.addHelpOption();
    parser.process(app);
    return RunBatchWorker();
}
