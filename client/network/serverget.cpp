#include "client/network/serverget.h"

#include "client/server/serverhost.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

namespace jaserelle::client {

namespace {
constexpr int answerTimeoutMs = 15000;
constexpr qsizetype maxAnswer = 16 * 1024;
} // namespace

HttpAnswer parseHttpAnswer(QByteArrayView bytes)
{
    const qsizetype headEnd = bytes.indexOf("\r\n\r\n");
    if (!bytes.startsWith("HTTP/1.") || headEnd < 0)
        return {};
    const qsizetype space = bytes.indexOf(' ');
    if (space < 0 || space + 4 > headEnd)
        return {};
    bool ok = false;
    const int status = bytes.sliced(space + 1, 3).toInt(&ok);
    if (!ok || status < 100 || status > 599)
        return {};
    return {status, bytes.sliced(headEnd + 4).toByteArray()};
}

void serverGet(const QString &serverHost, const QByteArray &pathAndQuery, QObject *context,
               std::function<void(int, const QByteArray &)> done)
{
    const ServerAddress address = parseServerHost(serverHost);
    auto *socket = new QTcpSocket();
    auto answer = std::make_shared<QByteArray>();
    auto finished = std::make_shared<bool>(false);
    const QPointer<QObject> receiver(context);
    auto finish = [socket, answer, finished, receiver, done](bool complete) {
        if (*finished)
            return;
        *finished = true;
        socket->disconnect();
        socket->abort();
        socket->deleteLater();
        const HttpAnswer parsed = complete ? parseHttpAnswer(*answer) : HttpAnswer{};
        if (receiver)
            done(parsed.status, parsed.body);
    };
    if (!address.valid) {
        QTimer::singleShot(0, socket, [finish] { finish(false); });
        return;
    }
    QObject::connect(socket, &QTcpSocket::connected, socket, [socket, serverHost, pathAndQuery] {
        socket->write("GET " + pathAndQuery + " HTTP/1.1\r\nHost: " + serverHost.toLatin1() +
                      "\r\nConnection: close\r\nAccept: */*\r\n\r\n");
    });
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, answer, finish] {
        *answer += socket->readAll();
        if (answer->size() > maxAnswer)
            finish(false);
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, [finish] { finish(true); });
    QObject::connect(socket, &QTcpSocket::errorOccurred, socket, [socket, finish](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError)
            return; // disconnected follows with the whole answer
        finish(false);
    });
    QTimer::singleShot(answerTimeoutMs, socket, [finish] { finish(false); });
    socket->connectToHost(address.host, address.port);
}

} // namespace jaserelle::client
