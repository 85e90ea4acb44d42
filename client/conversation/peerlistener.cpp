#include "client/conversation/peerlistener.h"

#include "client/conversation/peerframer.h"
#include "client/conversation/peerlink.h"
#include "client/conversation/peerpackets.h"
#include "client/conversation/peersecurity.h"
#include "client/conversation/peerstart.h"
#include "client/network/doorstate.h"
#include "client/network/reachability.h"
#include "client/security/peertls.h"
#include "client/server/wiretext.h"
#include "client/shell/clientstate.h"

#include <QSslSocket>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace jaserelle::client {

namespace {
// Accepting stops when the process runs out of descriptors; it is tried again after this.
constexpr int acceptRetryMs = 1000;
// During and after the handshake the plain socket carries whole TLS records (up to 16 KiB and a
// little): a smaller buffer would stall the handshake.
constexpr qint64 tlsBufferBytes = 17 * 1024;
} // namespace

void PeerServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    addPendingConnection(socket);
}

// Demo peers listen on their own loopback addresses (127.0.0.x) on the same port as the client,
// which listens on every address. With SO_REUSEPORT set on both sides before they bind, Linux lets
// them share the port and hands each connection to the most specific address bound: a call to a
// demo member reaches that peer, everything else reaches the client. A program that holds the port
// without SO_REUSEPORT still makes this bind fail. QTcpServer cannot ask for the option, so the
// socket is made here and handed over already listening.
int openSharedListeningSocket(const QHostAddress &address, quint16 port)
{
    const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    const int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    sockaddr_in in4{};
    sockaddr_in6 in6{};
    const sockaddr *where = reinterpret_cast<const sockaddr *>(&in4);
    socklen_t length = sizeof in4;
    if (v6) {
        in6.sin6_family = AF_INET6;
        in6.sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6.sin6_addr, bytes.c, sizeof bytes.c);
        where = reinterpret_cast<const sockaddr *>(&in6);
        length = sizeof in6;
    } else {
        // The peer addresses are dotted IPv4 addresses: "any" is any IPv4 address.
        in4.sin_family = AF_INET;
        in4.sin_port = htons(port);
        in4.sin_addr.s_addr =
            htonl(address.protocol() == QAbstractSocket::IPv4Protocol ? address.toIPv4Address() : INADDR_ANY);
    }
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on) != 0 || ::bind(fd, where, length) != 0 ||
        ::listen(fd, SOMAXCONN) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

PeerListener::PeerListener(const ClientState &state, QObject *parent) : QObject(parent), state_(state)
{
    connect(&server_, &QTcpServer::newConnection, this, &PeerListener::takePending);
    connect(&server_, &QTcpServer::acceptError, this, [this] {
        // Out of descriptors, mostly: Qt pauses accepting; the waiting connections will make room.
        QTimer::singleShot(acceptRetryMs, this, [this] { server_.resumeAccepting(); });
    });
    sweepTimer_.setSingleShot(true);
    connect(&sweepTimer_, &QTimer::timeout, this, &PeerListener::sweep);
}

bool PeerListener::listen()
{
    if (server_.isListening())
        return true;
    const QHostAddress address =
        state_.localAddress.isNull() ? QHostAddress(QHostAddress::Any) : state_.localAddress;
    const int fd = openSharedListeningSocket(address, peerPort);
    if (fd < 0)
        return false;
    if (!server_.setSocketDescriptor(fd)) {
        ::close(fd);
        return false;
    }
    return true;
}

void PeerListener::takePending()
{
    while (auto *socket = static_cast<QSslSocket *>(server_.nextPendingConnection()))
        adopt(socket);
}

void PeerListener::adopt(QSslSocket *socket)
{
    socket->setParent(this);
    // Until it has said who calls, a connection is read no further than a call request.
    socket->setReadBufferSize(greetingBytes);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { examine(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] { drop(socket); });
    waiting_.push_back({socket, QDeadlineTimer(deadlineMs_)});
    ++waitingCount_;
    while (waitingCount_ > maxWaiting && !waiting_.empty()) {
        QTcpSocket *oldest = waiting_.front().socket;
        waiting_.pop_front();
        if (isWaiting(oldest))
            drop(oldest);
    }
    if (!sweepTimer_.isActive())
        sweepTimer_.start(deadlineMs_);
    if (socket->bytesAvailable() > 0)
        examine(socket);
}

bool PeerListener::isWaiting(const QTcpSocket *socket) const
{
    // A socket stops waiting when it is handed on or dropped: either way it leaves this object.
    return socket && socket->parent() == this;
}

bool PeerListener::startTls(QSslSocket *socket)
{
    if (!security_ || !security_->identity)
        return false;
    socket->setReadBufferSize(tlsBufferBytes);
    preparePeerTls(*socket, *security_->identity);
    // Once the handshake is over, what arrives is the call request in clear, read like a legacy one.
    connect(socket, &QSslSocket::encrypted, this, [this, socket] { examine(socket); });
    socket->startServerEncryption();
    return true;
}

void PeerListener::examine(QSslSocket *socket)
{
    if (!isWaiting(socket))
        return;
    if (socket->mode() == QSslSocket::UnencryptedMode) {
        // Peeking a plain QSslSocket leaves the bytes for the handshake to read.
        switch (classifyPeerStart(socket->peek(2))) {
        case PeerStart::Undecided:
            return;
        case PeerStart::Tls:
            if (!startTls(socket))
                drop(socket);
            return;
        case PeerStart::Legacy:
            break;
        }
    } else if (!socket->isEncrypted()) {
        return; // the handshake is under way
    }
    const QByteArray head = socket->peek(greetingBytes);
    // The community server checking that the port reaches us: nothing to show, nothing to keep;
    // the token of our own question goes back to it, and nothing else.
    if (const ProbeKnock knock = readProbeKnock(head); knock.kind != ProbeKnock::Kind::NotProbe) {
        if (knock.kind == ProbeKnock::Kind::Probe && reachability_ &&
            reachability_->expectsProbe(knock.token)) {
            --waitingCount_;
            socket->disconnect(this);
            socket->write(knock.token + "\r\n");
            closeWhenSent(socket);
        } else if (knock.kind == ProbeKnock::Kind::Probe) {
            drop(socket);
        }
        return;
    }
    const qsizetype end = head.indexOf(packetEndMarker);
    if (end < 0) {
        if (head.size() >= greetingBytes)
            drop(socket); // that much and still no marker: no call request
        return;
    }
    const PeerPacket packet = parsePacket(wiretext::fromWire(head.left(end)), LinkSide::Callee);
    if (packet.kind != PacketKind::CallRequest) {
        drop(socket);
        return;
    }
    socket->disconnect(this);
    --waitingCount_;
    // The conversation reads pictures: no limit any more.
    socket->setReadBufferSize(0);
    // Whoever takes the socket gives it a new parent (or none, to close it gently).
    socket->setParent(&handingOver_);
    const QPointer<QSslSocket> handed(socket);
    emit callArrived(socket, packet.pseudo);
    if (handed && handed->parent() == &handingOver_) {
        handed->setParent(nullptr);
        handed->abort();
        handed->deleteLater();
    }
}

void PeerListener::drop(QTcpSocket *socket)
{
    if (!isWaiting(socket))
        return;
    --waitingCount_;
    socket->disconnect(this);
    socket->setParent(nullptr);
    socket->abort();
    socket->deleteLater();
}

void PeerListener::sweep()
{
    while (!waiting_.empty()) {
        const Waiting &front = waiting_.front();
        if (isWaiting(front.socket) && !front.deadline.hasExpired())
            break;
        QTcpSocket *socket = front.socket;
        waiting_.pop_front();
        drop(socket);
    }
    if (!waiting_.empty())
        sweepTimer_.start(std::max<qint64>(1, waiting_.front().deadline.remainingTime()));
}

} // namespace jaserelle::client
