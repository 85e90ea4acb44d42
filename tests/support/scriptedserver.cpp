#include "tests/support/scriptedserver.h"

#include <QTcpSocket>

ScriptedServer::ScriptedServer(QHostAddress address, QObject *parent) : QObject(parent), address_(address)
{
    connect(&server_, &QTcpServer::newConnection, this, &ScriptedServer::onNewConnection);
    server_.listen(address, 0);
    port_ = server_.serverPort();
}

void ScriptedServer::onNewConnection()
{
    while (QTcpSocket *socket = server_.nextPendingConnection()) {
        ++connections;
        lastSocket = socket;
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (!buffer->contains("\r\n\r\n"))
                return;
            // What a legacy server does not have (relay, keys, probe): a 404, outside the script.
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
            const qsizetype piece = answer.splitInPieces ? 1 : answer.bytes.size();
            for (qsizetype at = 0; at < answer.bytes.size(); at += piece)
                socket->write(answer.bytes.mid(at, piece)), socket->flush();
            if (answer.close)
                socket->disconnectFromHost();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}
