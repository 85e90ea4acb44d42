#include "client/network/turnallocation.h"

#include <QSslSocket>
#include <QTcpSocket>

namespace jaserelle::client {

using namespace stun;

namespace {
// The relay asks for credentials (401) or a fresh nonce (438) before it accepts a request: one
// request is sent at most this often.
constexpr int maxAttempts = 3;
constexpr qsizetype maxControlBuffer = 2 * maxMessageSize;
} // namespace

TurnAllocation::TurnAllocation(QObject *parent) : QObject(parent)
{
    refreshTimer_.setSingleShot(true);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] {
        request(
            Method::Refresh, {{attr::lifetime, u32(requestedLifetime)}},
            [this](const Message &answer) {
                const QByteArray *lifetime = answer.find(attr::lifetime);
                scheduleRefresh(lifetime ? readU32(*lifetime).value_or(requestedLifetime)
                                         : requestedLifetime);
            },
            [this](int code) { fail(QStringLiteral("refresh refused (%1)").arg(code)); });
    });
    permissionTimer_.setInterval(permissionRefreshMs);
    connect(&permissionTimer_, &QTimer::timeout, this, &TurnAllocation::renewPermissions);
}

TurnAllocation::~TurnAllocation()
{
    if (control_)
        control_->disconnect(this);
}

void TurnAllocation::start(const TurnCredentials &credentials)
{
    if (state_ != State::Idle)
        return;
    credentials_ = credentials;
    state_ = State::Allocating;
    control_ = new QTcpSocket(this);
    connect(control_, &QTcpSocket::readyRead, this, &TurnAllocation::onControlData);
    connect(control_, &QTcpSocket::errorOccurred, this, [this] { fail(control_->errorString()); });
    connect(control_, &QTcpSocket::disconnected, this, [this] { fail(QStringLiteral("relay closed")); });
    connect(control_, &QTcpSocket::connected, this, [this] {
        request(
            Method::Allocate,
            {{attr::requestedTransport, requestedTransportTcp()}, {attr::lifetime, u32(requestedLifetime)}},
            [this](const Message &answer) {
                const QByteArray *relayed = answer.find(attr::xorRelayedAddress);
                const auto endpoint = relayed ? readXorAddress(*relayed) : std::nullopt;
                if (!endpoint) {
                    fail(QStringLiteral("no relayed address"));
                    return;
                }
                relayed_ = *endpoint;
                state_ = State::Allocated;
                const QByteArray *lifetime = answer.find(attr::lifetime);
                scheduleRefresh(lifetime ? readU32(*lifetime).value_or(requestedLifetime)
                                         : requestedLifetime);
                emit allocated(relayed_);
            },
            [this](int code) { fail(QStringLiteral("allocation refused (%1)").arg(code)); });
    });
    control_->connectToHost(credentials_.host, credentials_.port);
}

void TurnAllocation::permit(quint32 ip)
{
    if (state_ != State::Allocated)
        return;
    if (!permitted_.contains(ip))
        permitted_.push_back(ip);
    request(
        Method::CreatePermission, {{attr::xorPeerAddress, xorAddress({ip, 0})}},
        [this, ip](const Message &) { emit permitted(ip); },
        [this](int code) { fail(QStringLiteral("permission refused (%1)").arg(code)); });
    if (!permissionTimer_.isActive())
        permissionTimer_.start();
}

void TurnAllocation::renewPermissions()
{
    for (const quint32 ip : permitted_)
        request(
            Method::CreatePermission, {{attr::xorPeerAddress, xorAddress({ip, 0})}}, [](const Message &) {},
            [this](int code) { fail(QStringLiteral("permission refused (%1)").arg(code)); });
}

void TurnAllocation::connectTo(const Endpoint &peer)
{
    if (state_ != State::Allocated) {
        QTimer::singleShot(0, this, [this, peer] { emit connectFailed(peer); });
        return;
    }
    request(
        Method::Connect, {{attr::xorPeerAddress, xorAddress(peer)}},
        [this, peer](const Message &answer) {
            const QByteArray *id = answer.find(attr::connectionId);
            if (!id || id->size() != 4) {
                emit connectFailed(peer);
                return;
            }
            bindData(*id, peer, true);
        },
        [this, peer](int) { emit connectFailed(peer); });
}

void TurnAllocation::release()
{
    refreshTimer_.stop();
    permissionTimer_.stop();
    pending_.clear();
    const bool wasAllocated = state_ == State::Allocated;
    state_ = State::Idle;
    if (!control_)
        return;
    QTcpSocket *control = control_;
    control_ = nullptr;
    control->disconnect(this);
    control->setParent(nullptr);
    if (wasAllocated && control->state() == QAbstractSocket::ConnectedState) {
        Message refresh{Method::Refresh, Class::Request, newTransactionId(), {{attr::lifetime, u32(0)}}};
        control->write(signedBytes(refresh));
    }
    // Whatever was written leaves first; the socket goes once closed, or after a few seconds.
    connect(control, &QTcpSocket::disconnected, control, &QObject::deleteLater);
    QTimer::singleShot(5000, control, &QObject::deleteLater);
    control->disconnectFromHost();
}

void TurnAllocation::request(Method method, QList<Attribute> attributes, OnSuccess onSuccess, OnError onError)
{
    Pending p;
    p.request = Message{method, Class::Request, {}, std::move(attributes)};
    p.onSuccess = std::move(onSuccess);
    p.onError = std::move(onError);
    send(std::move(p));
}

void TurnAllocation::send(Pending pending)
{
    if (!control_ || control_->state() != QAbstractSocket::ConnectedState) {
        if (pending.onError)
            pending.onError(0);
        return;
    }
    ++pending.attempts;
    pending.request.transactionId = newTransactionId();
    const QByteArray id = pending.request.transactionId;
    control_->write(signedBytes(pending.request));
    pending_.insert(id, std::move(pending));
    QTimer::singleShot(requestTimeoutMs, this, [this, id] {
        const auto it = pending_.find(id);
        if (it == pending_.end())
            return;
        const OnError onError = it->onError;
        pending_.erase(it);
        if (onError)
            onError(0);
    });
}

QByteArray TurnAllocation::signedBytes(Message message) const
{
    if (realm_.isEmpty())
        return encode(message);
    message.add(attr::username, credentials_.username.toUtf8());
    message.add(attr::realm, realm_.toUtf8());
    message.add(attr::nonce, nonce_.toUtf8());
    return encode(message, key_);
}

void TurnAllocation::onControlData()
{
    if (!control_)
        return;
    const QPointer<TurnAllocation> alive(this);
    buffer_ += control_->readAll();
    while (alive && control_) {
        const qsizetype size = messageSize(buffer_);
        if (size < 0 || (size == 0 && buffer_.size() > maxControlBuffer)) {
            fail(QStringLiteral("the relay sent something that is no STUN message"));
            return;
        }
        if (size == 0 || buffer_.size() < size)
            return;
        const QByteArray bytes = buffer_.first(size);
        buffer_.remove(0, size);
        handle(bytes);
    }
}

void TurnAllocation::handle(const QByteArray &bytes)
{
    const std::optional<Message> message = decode(bytes);
    if (!message)
        return;
    if (message->type == Class::Indication) {
        if (message->method != Method::ConnectionAttempt)
            return;
        const QByteArray *id = message->find(attr::connectionId);
        const QByteArray *from = message->find(attr::xorPeerAddress);
        const auto peer = from ? readXorAddress(*from) : std::nullopt;
        if (id && id->size() == 4 && peer && permitted_.contains(peer->ip))
            bindData(*id, *peer, false);
        return;
    }
    const auto it = pending_.find(message->transactionId);
    if (it == pending_.end())
        return;
    // Past the first exchange, what the relay says is signed with the same key: anything else on
    // this connection is not the relay speaking.
    if (!key_.isEmpty() && message->find(attr::messageIntegrity) && !integrityMatches(bytes, key_))
        return;
    Pending pending = std::move(*it);
    pending_.erase(it);
    if (message->type == Class::Success) {
        if (pending.onSuccess)
            pending.onSuccess(*message);
        return;
    }
    const QByteArray *errorValue = message->find(attr::errorCode);
    const int code = errorValue ? readErrorCode(*errorValue).value_or(ErrorCode{}).code : 0;
    const QByteArray *realm = message->find(attr::realm);
    const QByteArray *nonce = message->find(attr::nonce);
    if ((code == 401 || code == 438) && nonce && pending.attempts < maxAttempts) {
        if (realm)
            realm_ = QString::fromUtf8(*realm);
        nonce_ = QString::fromUtf8(*nonce);
        key_ = longTermKey(credentials_.username, realm_, credentials_.password);
        send(std::move(pending));
        return;
    }
    if (pending.onError)
        pending.onError(code);
}

void TurnAllocation::scheduleRefresh(quint32 lifetime)
{
    // Half the lifetime the relay granted, so that one lost refresh does not lose the allocation.
    refreshTimer_.start(static_cast<int>(std::clamp<quint32>(lifetime, 60, 3600) * 500));
}

void TurnAllocation::fail(const QString &why)
{
    if (state_ == State::Failed || state_ == State::Idle)
        return;
    release();
    state_ = State::Failed;
    emit failed(why);
}

void TurnAllocation::bindData(const QByteArray &connectionId, const Endpoint &peer, bool outgoing)
{
    auto *socket = new QSslSocket(this);
    Message bind{
        Method::ConnectionBind, Class::Request, newTransactionId(), {{attr::connectionId, connectionId}}};
    const QByteArray id = bind.transactionId;
    const QByteArray bytes = signedBytes(std::move(bind));
    auto *deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    const QPointer<QSslSocket> guard(socket);
    auto giveUp = [this, guard, peer, outgoing] {
        if (!guard)
            return;
        guard->disconnect(this);
        guard->deleteLater();
        if (outgoing)
            emit connectFailed(peer);
    };
    connect(deadline, &QTimer::timeout, this, giveUp);
    connect(socket, &QSslSocket::errorOccurred, this, giveUp);
    connect(socket, &QSslSocket::connected, this, [socket, bytes] {
        socket->setReadBufferSize(headerSize);
        socket->write(bytes);
    });
    // Only the answer is read here: what follows it is the peer's, and must stay where a TLS
    // handshake started on this socket reads from. A read of the QSslSocket reads ahead into a
    // buffer of its own that the handshake never sees (a caller's hello that came with the answer
    // would be stuck there), so the plain socket is never let to hold more than the answer.
    connect(socket, &QSslSocket::readyRead, this, [this, socket, deadline, id, peer, outgoing, giveUp] {
        if (socket->bytesAvailable() < headerSize)
            return;
        const qsizetype size = messageSize(socket->peek(headerSize));
        if (size < 0) {
            giveUp();
            return;
        }
        if (socket->bytesAvailable() < size) {
            socket->setReadBufferSize(size);
            return;
        }
        const std::optional<Message> answer = decode(socket->read(size));
        socket->setReadBufferSize(0);
        if (!answer || answer->transactionId != id || answer->type != Class::Success) {
            giveUp();
            return;
        }
        delete deadline;
        socket->disconnect(this);
        socket->setParent(nullptr);
        if (outgoing)
            emit peerConnected(socket, peer);
        else
            emit incomingConnection(socket, peer);
    });
    deadline->start(requestTimeoutMs);
    socket->connectToHost(credentials_.host, credentials_.port);
}

} // namespace jaserelle::client
