#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>
#include <deque>

class QHostAddress;
class QSslSocket;
class QTcpSocket;

namespace jaserelle::client {

struct ClientState;
struct PeerSecurity;
class Reachability;

// Every accepted connection is a QSslSocket, still plain: the listener starts TLS on it when the
// caller opens with a handshake, and a link carries either kind (or a relayed one) the same way.
class PeerServer : public QTcpServer
{
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override;
};

// Listens for calls on the peer port, on the client's local address (any address when it has
// none). One listener serves the whole client for its whole run.
//
// Anybody can connect to the port, so a connection costs nothing but its socket and a few bytes
// of buffer until it has said who calls: only a well-formed call request is handed on. A
// connection that says something else, says too much, closes, or stays silent past the deadline
// is closed without a word; when too many wait at once, the oldest goes first (a real caller
// speaks within milliseconds of connecting). A caller that opens with a TLS handshake is answered
// in TLS, with this client's own certificate, and its call request is read inside it.
class PeerListener : public QObject
{
    Q_OBJECT
public:
    // A call request is at most the tag, a pseudo and the marker: anything longer is no call.
    static constexpr qint64 greetingBytes = 128;
    static constexpr int maxWaiting = 512;
    static constexpr int greetingDeadlineMs = 30000;

    explicit PeerListener(const ClientState &state, QObject *parent = nullptr);

    // False when the port cannot be had (another program holds it): calls can still be placed.
    bool listen();
    bool isListening() const { return server_.isListening(); }

    // A connection that reached this client another way (through the call relay): it waits to
    // say who calls, and is judged, like one accepted on the port.
    void adopt(QSslSocket *socket);

    // Connections accepted that have not said who calls yet.
    int waitingCount() const { return waitingCount_; }
    // Tests shorten the wait; the application keeps the constant above.
    void setGreetingDeadline(int ms) { deadlineMs_ = ms; }
    // Where this client's key is; without one a TLS caller is dropped.
    void setSecurity(const PeerSecurity *security) { security_ = security; }
    // Where the token of the server's probe asked now is; without one no probe is answered.
    void setReachability(const Reachability *reachability) { reachability_ = reachability; }

signals:
    // A caller connected and asked for a conversation; the call request is still unread in the
    // socket. The receiver takes the socket (PeerLink::acceptConnection); one that nobody takes
    // is closed. An encrypted call arrives encrypted; the caller's certificate is still to judge.
    void callArrived(QSslSocket *socket, const QString &pseudo);

private:
    struct Waiting
    {
        QPointer<QTcpSocket> socket;
        QDeadlineTimer deadline;
    };

    void takePending();
    void examine(QSslSocket *socket);
    bool startTls(QSslSocket *socket);
    bool isWaiting(const QTcpSocket *socket) const;
    void drop(QTcpSocket *socket);
    void sweep();

    const ClientState &state_;
    const PeerSecurity *security_ = nullptr;
    const Reachability *reachability_ = nullptr;
    PeerServer server_;
    QObject handingOver_;         // parent of a socket while callArrived is out
    std::deque<Waiting> waiting_; // in arrival order, so the oldest deadline is in front
    int waitingCount_ = 0;
    int deadlineMs_ = greetingDeadlineMs;
    QTimer sweepTimer_;
};

// Makes a listening socket that shares its port with the programs beside it on this machine and
// returns its descriptor, or -1 with errno set.
int openSharedListeningSocket(const QHostAddress &address, quint16 port);

} // namespace jaserelle::client
