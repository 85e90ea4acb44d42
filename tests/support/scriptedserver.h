#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <functional>

class QTcpSocket;

// A loopback HTTP stand-in that answers each connection from a script: it records the request
// bytes, then (when the request is complete) sends the scripted answer and closes, or holds the
// connection open, as each test needs.
class ScriptedServer : public QObject
{
    Q_OBJECT

public:
    struct Answer
    {
        QByteArray bytes;
        bool close = true;          // close after sending
        bool silent = false;        // send nothing, keep the connection open
        bool splitInPieces = false; // send byte by byte, to exercise gathering
    };

    explicit ScriptedServer(QHostAddress address = QHostAddress::LocalHost, QObject *parent = nullptr);

    quint16 port() const { return port_; }
    QString hostWithPort() const;

    // Answers used for the next connections, in order; once exhausted, `fallback` is used.
    void queue(Answer answer) { answers_.append(std::move(answer)); }
    void queue(const QByteArray &body) { queue(Answer{httpOk(body)}); }
    Answer fallback{httpOk("")};

    QList<QByteArray> requests; // every complete request received, in order (not the side resources')
    int connections = 0;
    QPointer<QTcpSocket> lastSocket;

    static QByteArray httpOk(const QByteArray &body, const QByteArray &contentType = "text/html");
    bool waitForRequests(int count, int timeoutMs = 5000);

    void stopListening() { server_.close(); }
    // Listens again on the same address and port, as a server coming back.
    bool resumeListening();

private:
    void onNewConnection();

    QTcpServer server_;
    QHostAddress address_;
    quint16 port_ = 0;
    QList<Answer> answers_;
};

using Answer = ScriptedServer::Answer;

// Takes the request and keeps the connection open without a word: a server that hangs, until the
// test answers on `lastSocket`.
inline const Answer heldOpen{{}, false, true};
