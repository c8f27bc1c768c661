// lexovox-worker: speaks the words of a batch into files, one voice per process, for the
// window and lexovox-batch. Not for running by hand.

#include <QCoreApplication>

#include "output/batchworker.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return RunBatchWorker(QCoreApplication::arguments().mid(1));
}
