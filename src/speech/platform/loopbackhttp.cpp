#include "speech/platform/loopbackhttp.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace speech {
namespace {

// What may stand before the body: a server's status line and headers are a few hundred bytes.
constexpr qsizetype kMaxHeaderBytes = 64 << 10;

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return int(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 24 * 3600 * 1000));
}

HttpAnswer Failed(QString why)
{
    HttpAnswer answer;
    answer.error = std::move(why);
    return answer;
}

} // namespace

quint16 FreeLoopbackPort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

bool LoopbackListens(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return socket.waitForConnected(1000);
}

HttpAnswer PostToLoopback(quint16 port, const QByteArray& path, const QByteArray& contentType, const QByteArray& body,
                          std::chrono::steady_clock::time_point deadline, qint64 maxBytes)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(MillisecondsUntil(deadline)))
        return Failed(QStringLiteral("no server on port %1: %2").arg(port).arg(socket.errorString()));
    // HTTP/1.0 with the connection closed after the answer: the body ends where the stream
    // does, so no chunked answer has to be taken apart.
    const QByteArray request = "POST " + path + " HTTP/1.0\r\nHost: 127.0.0.1:" + QByteArray::number(port)
                               + "\r\nContent-Type: " + contentType + "\r\nContent-Length: "
                               + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    socket.write(request);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(MillisecondsUntil(deadline)))
            return Failed(QStringLiteral("the request could not be sent: %1").arg(socket.errorString()));
    }

    QByteArray received;
    qsizetype headerEnd = -1;
    qint64 length = -1;
    HttpAnswer answer;
    for (;;) {
        received += socket.readAll();
        if (headerEnd < 0) {
            headerEnd = received.indexOf("\r\n\r\n");
            if (headerEnd < 0 && received.size() > kMaxHeaderBytes)
                return Failed(QStringLiteral("its answer has no end of headers"));
            if (headerEnd >= 0) {
                const QList<QByteArray> lines = received.first(headerEnd).split('\n');
                const QList<QByteArray> status = lines.first().trimmed().split(' ');
                if (status.size() < 2 || !status[0].startsWith("HTTP/"))
                    return Failed(QStringLiteral("its answer is not HTTP"));
                answer.status = status[1].toInt();
                for (const QByteArray& line : lines.sliced(1)) {
                    const qsizetype colon = line.indexOf(':');
                    const QByteArray name = line.first(std::max<qsizetype>(colon, 0)).trimmed().toLower();
                    if (name == "content-length")
                        length = line.sliced(colon + 1).trimmed().toLongLong();
                    else if (name == "transfer-encoding" && !line.sliced(colon + 1).trimmed().isEmpty()
                             && line.sliced(colon + 1).trimmed().toLower() != "identity")
                        return Failed(QStringLiteral("its answer is in parts (%1)").arg(QString::fromLatin1(line.trimmed())));
                }
                if (length > maxBytes)
                    return Failed(QStringLiteral("its answer of %1 bytes is too large").arg(length));
            }
        }
        const qint64 bodyBytes = headerEnd < 0 ? 0 : received.size() - headerEnd - 4;
        if (bodyBytes > maxBytes)
            return Failed(QStringLiteral("its answer is too large"));
        if (length >= 0 && bodyBytes >= length)
            break;
        if (socket.state() != QAbstractSocket::ConnectedState && socket.bytesAvailable() == 0)
            break;
        if (!socket.waitForReadyRead(MillisecondsUntil(deadline))) {
            if (socket.error() == QAbstractSocket::RemoteHostClosedError)
                continue;
            return Failed(socket.error() == QAbstractSocket::SocketTimeoutError ? QStringLiteral("no answer in time")
                                                                                : socket.errorString());
        }
    }
    if (headerEnd < 0)
        return Failed(QStringLiteral("the connection closed without an answer"));
    answer.body = received.sliced(headerEnd + 4);
    if (length >= 0 && answer.body.size() < length)
        return Failed(QStringLiteral("its answer ended after %1 of %2 bytes").arg(answer.body.size()).arg(length));
    answer.body.truncate(length >= 0 ? length : answer.body.size());
    return answer;
}

} // namespace speech
