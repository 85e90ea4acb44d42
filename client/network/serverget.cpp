#include "client/network/serverget.h"

#include "client/server/serverconnection.h"

#include <QCoreApplication>
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

void serverGet(const ServerLink &link, const QByteArray &pathAndQuery, QObject *context,
               std::function<void(int, const QByteArray &)> done)
{
    auto answer = std::make_shared<QByteArray>();
    auto finished = std::make_shared<bool>(false);
    const QPointer<QObject> receiver(context);
    const QByteArray request = serverGetRequest(link.serverHost, pathAndQuery);
    auto holder = std::make_shared<QPointer<QTcpSocket>>();
    // Owned by the application, not by the asker: a request the asker sends as it goes (the relay's
    // withdrawal at logoff) still completes, and one still out at exit goes with the application.
    QTcpSocket *socket = openServerConnection(link, QCoreApplication::instance(), [holder, request] {
        if (*holder)
            (*holder)->write(request);
    });
    auto finish = [socket, answer, finished, receiver, done](bool complete) {
        if (*finished)
            return;
        *finished = true;
        if (socket) {
            if (complete)
                *answer += socket->readAll();
            socket->disconnect();
            socket->abort();
            socket->deleteLater();
        }
        const HttpAnswer parsed =
            complete && answer->size() <= maxAnswer ? parseHttpAnswer(*answer) : HttpAnswer{};
        if (receiver)
            done(parsed.status, parsed.body);
    };
    if (!socket) {
        QTimer::singleShot(0, [finish] { finish(false); });
        return;
    }
    *holder = socket;
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, answer, finish] {
        *answer += socket->readAll();
        if (answer->size() > maxAnswer)
            finish(false);
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, [finish] { finish(true); });
    QObject::connect(socket, &QTcpSocket::errorOccurred, socket, [finish](QAbstractSocket::SocketError e) {
        // The server closing after its answer (over TLS, its close_notify) ends the answer.
        finish(e == QAbstractSocket::RemoteHostClosedError);
    });
    QTimer::singleShot(answerTimeoutMs, socket, [finish] { finish(false); });
}

} // namespace jaserelle::client
