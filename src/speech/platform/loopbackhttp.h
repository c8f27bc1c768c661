#pragma once

#include <chrono>

#include <QByteArray>
#include <QString>

namespace speech {

/// What a speech server on this machine answered to one request.
struct HttpAnswer
{
    int status = 0;     // 0: no answer (QString error says why)
    QByteArray body;    // at most the limit asked for
    QString error;
};

/// A port on 127.0.0.1 that no one listens on now, for a server the program starts; 0 when none
/// could be had.
quint16 FreeLoopbackPort();

/// True once something on 127.0.0.1:`port` takes connections.
bool LoopbackListens(quint16 port);

/// Posts `body` to http://127.0.0.1:`port``path` as `contentType` and reads the whole answer by
/// `deadline`, blocking: no event loop, so any thread may ask. A body longer than `maxBytes` is
/// not read (an error).
HttpAnswer PostToLoopback(quint16 port, const QByteArray& path, const QByteArray& contentType, const QByteArray& body,
                          std::chrono::steady_clock::time_point deadline, qint64 maxBytes);

} // namespace speech
