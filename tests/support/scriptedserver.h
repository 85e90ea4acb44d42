#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTest>
#include <functional>

class QTcpSocket;

// A loopback HTTP stand-in that records each complete request and answers it from a script.
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
    QString hostWithPort() const { return address_.toString() + u':' + QString::number(port_); }

    // Answers used for the next connections, in order; once exhausted, `fallback` is used.
    void queue(Answer answer) { answers_.append(std::move(answer)); }
    void queue(const QByteArray &body) { queue(Answer{httpOk(body)}); }
    Answer fallback{httpOk("")};

    QList<QByteArray> requests; // every complete request received, in order (not the side resources')
    int connections = 0;
    QPointer<QTcpSocket> lastSocket;

    static QByteArray httpOk(const QByteArray &body, const QByteArray &contentType = "text/html")
    {
        return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\nConnection: close\r\n\r\n" + body;
    }
    bool waitForRequests(int count, int timeoutMs = 5000)
    {
        return QTest::qWaitFor([&] { return requests.size() >= count; }, timeoutMs);
    }

    void stopListening() { server_.close(); }
    bool resumeListening() { return server_.listen(address_, port_); } // as a server coming back

private:
    void onNewConnection();

    QTcpServer server_;
    QHostAddress address_;
    quint16 port_ = 0;
    QList<Answer> answers_;
};

using Answer = ScriptedServer::Answer;

// A server that hangs: the request taken, not a word until the test answers on `lastSocket`.
inline const Answer heldOpen{{}, false, true};
