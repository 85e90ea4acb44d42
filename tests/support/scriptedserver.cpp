#include "tests/support/scriptedserver.h"

#include <QTcpSocket>
#include <QTest>

ScriptedServer::ScriptedServer(QHostAddress address, QObject *parent) : QObject(parent)
{
    connect(&server_, &QTcpServer::newConnection, this, &ScriptedServer::onNewConnection);
    server_.listen(address, 0);
    address_ = address;
    port_ = server_.serverPort();
}

bool ScriptedServer::resumeListening()
{
    return server_.listen(address_, port_);
}

QString ScriptedServer::hostWithPort() const
{
    return address_.toString() + u':' + QString::number(port_);
}

QByteArray ScriptedServer::httpOk(const QByteArray &body, const QByteArray &contentType)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\nConnection: close\r\n\r\n" + body;
}

bool ScriptedServer::waitForRequests(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return requests.size() >= count; }, timeoutMs);
}

void ScriptedServer::onNewConnection()
{
    while (QTcpSocket *socket = server_.nextPendingConnection()) {
        ++connections;
        lastSocket = socket;
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (!buffer->contains("\r\n\r\n") || buffer->isEmpty())
                return;
            // The resources a legacy server does not have (relay, key directory, probe) go on
            // connections of their own: answered as such a server would, outside the script.
            if (buffer->startsWith("GET /relay") || buffer->startsWith("GET /keys/") ||
                buffer->startsWith("GET /jaserelle/")) {
                --connections;
                buffer->clear();
                socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                socket->disconnectFromHost();
                return;
            }
            const Answer answer = answers_.isEmpty() ? fallback : answers_.takeFirst();
            requests.append(*buffer);
            buffer->clear();
            if (answer.silent)
                return;
            if (answer.splitInPieces) {
                for (char c : answer.bytes) {
                    socket->write(&c, 1);
                    socket->flush();
                }
            } else {
                socket->write(answer.bytes);
            }
            if (answer.close)
                socket->disconnectFromHost();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}
