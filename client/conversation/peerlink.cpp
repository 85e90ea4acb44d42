#include "client/conversation/peerlink.h"

#include "client/conversation/peernotices.h"
#include "client/conversation/peersecurity.h"
#include "client/conversation/soundcommands.h"
#include "client/network/relayroute.h"
#include "client/platform/platform.h"
#include "client/security/peerkeyverdict.h"
#include "client/security/peertls.h"
#include "client/server/wiretext.h"
#include "client/shell/clientstate.h"

#include <QHostAddress>
#include <QSslSocket>
#include <QTimer>

namespace jaserelle::client {

namespace {
// Read at most this much at once, so that a flood is cut into packets as it comes in.
constexpr qint64 readChunk = 64 * 1024;
constexpr int lingerMs = 10000;

// The community tells a member's private address only to the members of the same home (the others
// get the home's public one): there the LAN is the way, even when the member also waits at the relay.
bool inTheSameHome(const QString &ipAdress)
{
    const QHostAddress a(ipAdress.trimmed());
    return a.isInSubnet(QHostAddress(QStringLiteral("10.0.0.0")), 8) ||
           a.isInSubnet(QHostAddress(QStringLiteral("172.16.0.0")), 12) ||
           a.isInSubnet(QHostAddress(QStringLiteral("192.168.0.0")), 16);
}
} // namespace

PeerLink::PeerLink(const ClientState &state, Notifier &notifier, SoundPlayer &sound, QObject *parent)
    : ConversationLink(parent), client_(state), notifier_(notifier), sound_(sound),
      ringTimer_(new QTimer(this))
{
    ringTimer_->setSingleShot(true);
    connect(ringTimer_, &QTimer::timeout, this, &PeerLink::onRingDeadline);
}

PeerLink::~PeerLink()
{
    // The socket goes with this object; nothing it says while it closes is of interest any more.
    if (socket_)
        socket_->disconnect(this);
}

void PeerLink::attach(QSslSocket *socket)
{
    socket_ = socket;
    socket->setParent(this);
    connect(socket, &QTcpSocket::connected, this, &PeerLink::onConnected);
    connect(socket, &QSslSocket::encrypted, this, &PeerLink::onEncrypted);
    connect(socket, &QTcpSocket::readyRead, this, &PeerLink::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &PeerLink::onDisconnected);
    connect(socket, &QTcpSocket::errorOccurred, this, &PeerLink::onError);
}

void PeerLink::callMember(const QString &pseudo, const QString &ipAdress)
{
    if (state_ != State::Idle)
        return;
    side_ = LinkSide::Caller;
    peerPseudo_ = pseudo;
    state_ = State::Connecting;
    if (security_ && security_->identity)
        expectedKey_ = security_->publishedFor(pseudo).value_or(QByteArray());
    if (!route_ || !route_->available() || inTheSameHome(ipAdress)) {
        connectDirect(ipAdress);
        return;
    }
    // A member who publishes a relayed address cannot be reached otherwise.
    relayTried_ = true;
    route_->openTo(pseudo, this, [this, ipAdress](QSslSocket *socket) {
        if (state_ != State::Connecting) {
            if (socket)
                socket->deleteLater();
            return;
        }
        if (socket) {
            useRelayed(socket);
            return;
        }
        relayTried_ = false;
        connectDirect(ipAdress);
    });
}

void PeerLink::connectDirect(const QString &ipAdress)
{
    // A QSslSocket either way, plain until it is asked to encrypt: the same object carries a
    // direct call and a relayed one.
    attach(new QSslSocket(this));
    const QHostAddress address(ipAdress.trimmed());
    bool started = !address.isNull();
    if (started && !client_.localAddress.isNull())
        started = socket_->bind(client_.localAddress, 0);
    if (!started) {
        // Reported from the event loop, as a refused connection would be, so the caller has
        // finished placing the call before it hears that the call failed.
        QTimer::singleShot(0, this, [this] {
            if (state_ == State::Connecting)
                directFailed();
        });
        return;
    }
    if (route_ && route_->available() && !relayTried_) {
        directDeadline_ = new QTimer(this);
        directDeadline_->setSingleShot(true);
        connect(directDeadline_, &QTimer::timeout, this, [this] {
            if (state_ == State::Connecting)
                directFailed();
        });
        directDeadline_->start(directAttemptMs);
    }
    socket_->connectToHost(address, peerPort);
}

void PeerLink::directFailed()
{
    if (!route_ || !route_->available() || relayTried_) {
        communicationFailure();
        return;
    }
    // One more look: the member may have published its relayed address since the call began.
    relayTried_ = true;
    if (QSslSocket *direct = socket_) {
        socket_ = nullptr;
        direct->disconnect(this);
        direct->abort();
        direct->deleteLater();
    }
    route_->openTo(peerPseudo_, this, [this](QSslSocket *socket) {
        if (state_ != State::Connecting) {
            if (socket)
                socket->deleteLater();
            return;
        }
        if (!socket) {
            communicationFailure();
            return;
        }
        useRelayed(socket);
    });
}

void PeerLink::useRelayed(QSslSocket *socket)
{
    // Connected already: from here on the link is the same as over a direct connection.
    attach(socket);
    onConnected();
}

void PeerLink::acceptConnection(QSslSocket *socket)
{
    if (state_ != State::Idle || !socket)
        return;
    side_ = LinkSide::Callee;
    state_ = State::Accepted;
    attach(socket);
    // What arrived, or the close that came, before the socket was handed over has raised its
    // signals already: look again once the event loop runs.
    QTimer::singleShot(0, this, [this] {
        if (!socket_ || state_ == State::Ended)
            return;
        const QPointer<PeerLink> alive(this);
        if (socket_->bytesAvailable() > 0)
            onReadyRead();
        if (alive && socket_ && state_ != State::Ended &&
            socket_->state() == QAbstractSocket::UnconnectedState)
            onDisconnected();
    });
}

void PeerLink::sendAcceptCall()
{
    if (side_ == LinkSide::Callee && (state_ == State::Ringing || state_ == State::InConversation) &&
        send(acceptPacket())) {
        ringTimer_->stop();
        state_ = State::InConversation;
    }
}

void PeerLink::setConnectNo()
{
    if (side_ != LinkSide::Callee || state_ == State::Ended || state_ == State::Refusing)
        return;
    if (!send(refusalPacket())) {
        detach();
        emit finished();
        return;
    }
    state_ = State::Refusing;
    ringTimer_->stop();
    // The socket closes only once what was written has left, so the refusal reaches the caller
    // before the close does; disconnected (or an error) then ends the link.
    socket_->disconnectFromHost();
}

void PeerLink::closeConversation()
{
    detach();
}

bool PeerLink::sendMessage(const QString &rtf)
{
    return send(messagePacket(rtf));
}

bool PeerLink::sendSound(int index)
{
    const QByteArray packet = soundPacket(index);
    return !packet.isEmpty() && send(packet);
}

bool PeerLink::send(const QByteArray &packet)
{
    if (!socket_ || state_ == State::Ended || state_ == State::Refusing ||
        socket_->state() != QAbstractSocket::ConnectedState)
        return false;
    return socket_->write(packet) == packet.size();
}

void PeerLink::onConnected()
{
    if (state_ != State::Connecting)
        return;
    if (directDeadline_)
        directDeadline_->stop();
    if (!expectedKey_.isEmpty()) {
        preparePeerTls(*socket_, *security_->identity);
        socket_->startClientEncryption();
        return; // the call request waits for the member's key
    }
    state_ = State::AwaitingAnswer;
    send(callRequestPacket(client_.userLogin));
    ringTimer_->start(ringMs_ + callerGraceMs);
}

void PeerLink::onEncrypted()
{
    if (state_ != State::Connecting || side_ != LinkSide::Caller)
        return;
    const QByteArray presented = jaserelle::client::peerFingerprint(*socket_);
    switch (judgeKey(presented, expectedKey_, security_->known.seen(peerPseudo_))) {
    case KeyVerdict::Contradicted: {
        // Not the member's key: whoever answered hears nothing, not even who calls.
        detach();
        notifier_.notify(keyContradictedNotice(peerPseudo_));
        emit finished();
        return;
    }
    case KeyVerdict::Changed:
        notifier_.notify(keyChangedNotice(peerPseudo_));
        [[fallthrough]];
    case KeyVerdict::Trusted:
    case KeyVerdict::FirstSeen:
        security_->known.remember(peerPseudo_, presented);
        break;
    }
    if (state_ != State::Connecting)
        return;
    state_ = State::AwaitingAnswer;
    send(callRequestPacket(client_.userLogin));
}

bool PeerLink::isEncrypted() const
{
    return socket_ && socket_->isEncrypted();
}

QByteArray PeerLink::peerFingerprint() const
{
    return socket_ && socket_->isEncrypted() ? jaserelle::client::peerFingerprint(*socket_) : QByteArray();
}

void PeerLink::onReadyRead()
{
    // A modal notice or a window shown from a signal below may run the event loop; readyRead is
    // not raised again meanwhile, so the outer call keeps reading until the socket is empty.
    if (reading_)
        return;
    reading_ = true;
    if (readAvailable())
        reading_ = false;
}

bool PeerLink::readAvailable()
{
    // Whoever hears finished() may delete this link at once, from inside the signal.
    const QPointer<PeerLink> alive(this);
    while (socket_ && state_ != State::Ended && socket_->bytesAvailable() > 0) {
        const PacketReassembler::Result cut = reassembler_.feed(socket_->read(readChunk));
        for (const QByteArray &payload : cut.packets) {
            if (!alive || state_ == State::Ended)
                break;
            handle(payload);
        }
        if (!alive)
            return false;
    }
    return true;
}

void PeerLink::handle(const QByteArray &payload)
{
    // A callee that is refusing has nothing more to show; the caller's last words are lost with
    // the call.
    if (state_ == State::Refusing)
        return;
    const PeerPacket packet = parsePacket(wiretext::fromWire(payload), side_);
    switch (packet.kind) {
    case PacketKind::CallRequest:
        peerPseudo_ = packet.pseudo;
        if (state_ == State::Accepted) {
            state_ = State::Ringing;
            ringTimer_->start(ringMs_);
        }
        emit callRequested(peerPseudo_);
        playSound(incomingCallSound);
        break;
    case PacketKind::Accept:
        ringTimer_->stop();
        state_ = State::InConversation;
        emit callAccepted();
        break;
    case PacketKind::Refusal: {
        callRefused_ = true;
        detach();
        playSound(connectionRefusedSound);
        notifier_.notify(refusalNotice(peerPseudo_));
        emit finished();
        break;
    }
    case PacketKind::Entry:
        if (packet.sound >= 0)
            playSound(soundCommands[static_cast<std::size_t>(packet.sound)].file);
        emit entryReceived(packet.content, packet.sound);
        break;
    case PacketKind::Malformed:
        break;
    }
}

void PeerLink::onDisconnected()
{
    if (state_ == State::Ended)
        return;
    if (state_ == State::Refusing) {
        detach();
        emit finished();
        return;
    }
    // Whatever the peer sent just before it closed is still worth showing: a refusal, mostly.
    if (socket_ && socket_->bytesAvailable() > 0) {
        const QPointer<PeerLink> alive(this);
        onReadyRead();
        if (!alive)
            return;
    }
    if (state_ == State::Ended)
        return;
    // A caller who hangs up before anyone answered takes his call back: nothing to tell.
    const bool silent = unanswered();
    detach();
    if (!callRefused_ && !silent) {
        playSound(connectionRefusedSound);
        notifier_.notify(cutOffNotice(peerPseudo_));
    }
    emit finished();
}

void PeerLink::onError(QAbstractSocket::SocketError error)
{
    if (state_ == State::Ended)
        return;
    // A peer that closes is a cut-off, not a failure; disconnected may or may not follow.
    if (error == QAbstractSocket::RemoteHostClosedError) {
        onDisconnected();
        return;
    }
    if (state_ == State::Refusing) {
        detach();
        emit finished();
        return;
    }
    if (state_ == State::Connecting) {
        directFailed();
        return;
    }
    communicationFailure();
}

void PeerLink::communicationFailure()
{
    const bool silent = unanswered();
    detach();
    if (!silent)
        notifier_.notify(communicationNotice(peerPseudo_));
    emit finished();
}

bool PeerLink::unanswered() const
{
    return side_ == LinkSide::Callee && (state_ == State::Accepted || state_ == State::Ringing);
}

void PeerLink::onRingDeadline()
{
    if (state_ == State::Ringing) {
        const QString pseudo = peerPseudo_;
        detach();
        emit callMissed(pseudo);
        emit finished();
        return;
    }
    // Our own call that nobody answers, with a callee that never gives up ringing.
    if (state_ == State::AwaitingAnswer)
        communicationFailure();
}

void PeerLink::detach()
{
    ringTimer_->stop();
    state_ = State::Ended;
    QTcpSocket *socket = socket_;
    socket_ = nullptr;
    if (!socket)
        return;
    socket->disconnect(this);
    // A message sent right before quitting still leaves.
    closeWhenSent(socket);
}

void closeWhenSent(QTcpSocket *socket)
{
    // The socket outlives its owner just long enough for what was written to leave; then it
    // deletes itself, and a peer that never reads cannot hold it for more than a few seconds.
    socket->setParent(nullptr);
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        socket->deleteLater();
        return;
    }
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QObject::connect(socket, &QTcpSocket::errorOccurred, socket, &QObject::deleteLater);
    QTimer::singleShot(lingerMs, socket, &QObject::deleteLater);
    socket->disconnectFromHost();
}

bool PeerLink::isCallFrom(const QHostAddress &address, quint16 port) const
{
    return side_ == LinkSide::Caller && socket_ && state_ != State::Ended && socket_->localPort() == port &&
           socket_->localAddress().isEqual(address, QHostAddress::TolerantConversion);
}

void PeerLink::reportUnreachable()
{
    if (state_ == State::Ended)
        return;
    detach();
    notifier_.notify(unreachableNotice(peerPseudo_));
    emit finished();
}

void PeerLink::playSound(std::string_view file)
{
    if (client_.soundEnabled)
        sound_.play(QStringLiteral("sons/") +
                    QLatin1StringView(file.data(), static_cast<qsizetype>(file.size())));
}

} // namespace jaserelle::client
