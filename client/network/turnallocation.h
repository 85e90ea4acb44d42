#pragma once

#include "client/network/stunmessage.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class QSslSocket;
class QTcpSocket;

namespace jaserelle::client {

// Where the relay is and the credentials it takes (short-lived ones from the community server).
struct TurnCredentials
{
    QString host;
    quint16 port = 3478;
    QString username;
    QString password;
};

// One TCP allocation on the call relay (TURN over TCP with TCP relaying): the control connection,
// the allocation kept alive by refreshes, the peers it lets in, and the data connections, each of
// which ends up as a connected socket carrying the peer's raw stream, as a direct connection would.
// Data connections are QSslSocket so that a link can start encryption on them as on a direct one;
// nothing here encrypts.
//
// What the relay sends is bounded: a control message longer than stun::maxMessageSize, or bytes
// that are no STUN message, end the allocation.
class TurnAllocation : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Idle,
        Allocating,
        Allocated,
        Failed,
    };
    Q_ENUM(State)

    // A request the relay does not answer within this is given up.
    static constexpr int requestTimeoutMs = 10000;
    // Permissions last five minutes on the relay: renewed well before.
    static constexpr int permissionRefreshMs = 120000;
    static constexpr quint32 requestedLifetime = 600;

    explicit TurnAllocation(QObject *parent = nullptr);
    ~TurnAllocation() override;

    void start(const TurnCredentials &credentials);
    // Lets peers from this IPv4 address in (the relay's own, for calls between members), for as
    // long as the allocation lives.
    void permit(quint32 ip);
    // Opens a connection from the allocation to a peer: peerConnected or connectFailed follows.
    void connectTo(const stun::Endpoint &peer);
    // Gives the allocation back to the relay (lifetime 0) and closes; nothing is emitted after.
    void release();

    State state() const { return state_; }
    stun::Endpoint relayed() const { return relayed_; }

signals:
    void allocated(jaserelle::client::stun::Endpoint relayed);
    void permitted(quint32 ip);
    // The allocation is gone (refused, connection lost, relay gone quiet); it does not come back.
    void failed(const QString &why);
    // The receiver takes the socket: it has no parent, and is connected to the peer already.
    void peerConnected(QSslSocket *socket, jaserelle::client::stun::Endpoint peer);
    void connectFailed(jaserelle::client::stun::Endpoint peer);
    void incomingConnection(QSslSocket *socket, jaserelle::client::stun::Endpoint peer);

private:
    using OnSuccess = std::function<void(const stun::Message &)>;
    using OnError = std::function<void(int code)>; // 0: no answer in time
    struct Pending
    {
        stun::Message request; // without the credential attributes, added on each sending
        OnSuccess onSuccess;
        OnError onError;
        int attempts = 0;
    };

    void request(stun::Method method, QList<stun::Attribute> attributes, OnSuccess onSuccess,
                 OnError onError);
    void send(Pending pending);
    QByteArray signedBytes(stun::Message message) const;
    void onControlData();
    void handle(const QByteArray &bytes);
    void scheduleRefresh(quint32 lifetime);
    void renewPermissions();
    void fail(const QString &why);
    void bindData(const QByteArray &connectionId, const stun::Endpoint &peer, bool outgoing);

    TurnCredentials credentials_;
    QTcpSocket *control_ = nullptr;
    QByteArray buffer_;
    QString realm_;
    QString nonce_;
    QByteArray key_;
    QHash<QByteArray, Pending> pending_;
    State state_ = State::Idle;
    stun::Endpoint relayed_;
    QList<quint32> permitted_;
    QTimer refreshTimer_;
    QTimer permissionTimer_;
};

} // namespace jaserelle::client
