#include "base/stopsignals.h"

#include <atomic>
#include <csignal>

#include <QTimer>

namespace {

std::atomic<int> g_received{0};

void Note(int signal)
{
    int none = 0;
    g_received.compare_exchange_strong(none, signal);
}

} // namespace

namespace StopSignals {

void Install()
{
    for (const int signal : {SIGINT, SIGTERM})
        std::signal(signal, Note);
}

int Received()
{
    return g_received;
}

void OnReceived(QObject* context, std::function<void()> stop)
{
    // A handler may do next to nothing, so the event loop looks for the note.
    auto* watch = new QTimer(context);
    QObject::connect(watch, &QTimer::timeout, context, [watch, stop = std::move(stop)] {
        if (Received() == 0)
            return;
        watch->stop();
        watch->deleteLater();
        stop();
    });
    watch->start(50);
}

} // namespace StopSignals
