#pragma once

#include <QObject>
#include <QTcpServer>

struct ClientState;
class QTcpSocket;

// Listens for calls on the peer port, on the client's local address (any address when it has
// none). One listener serves the whole client for its whole run: each connection it accepts is
// handed to the conversation that will hold it, and listening goes on, so a failed accept never
// leaves the client deaf to later calls.
class PeerListener : public QObject
{
    Q_OBJECT
public:
    explicit PeerListener(const ClientState &state, QObject *parent = nullptr);

    // False when the port cannot be had (another program holds it): calls can still be placed.
    bool listen();
    bool isListening() const { return server_.isListening(); }
    QString errorString() const { return server_.errorString(); }

signals:
    // A caller connected. The receiver takes the socket (PeerLink::acceptConnection); one that
    // nobody takes is closed.
    void connectionArrived(QTcpSocket *socket);

private:
    void takePending();

    const ClientState &state_;
    QTcpServer server_;
};
