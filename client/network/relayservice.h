#pragma once

#include "client/network/reachability.h"
#include "client/network/relayreplies.h"
#include "client/network/relayroute.h"
#include "client/network/turnallocation.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class QSslSocket;

namespace jaserelle::client {

struct ClientState;

// The client's side of the call relay. While the member is logged in and nobody can reach this
// client directly (Reachability::Unreachable), it holds a TCP allocation on the relay, lets in the
// relay's own address (every member calls through an allocation of the same relay), and publishes
// the relayed address on the community server; the connections that come in through it are handed
// on (incomingConnection) as the listener's would be. Reachable again, logged off, or the relay
// gone: the address is withdrawn and the allocation given back. It also opens calls through the
// relay for the peer links (RelayRoute). A server without a relay answers 404: nothing here
// happens then, and no call waits for a relay.
class RelayService : public QObject, public RelayRoute
{
    Q_OBJECT
public:
    // A lost allocation is made again after this.
    static constexpr int retryMs = 30000;

    RelayService(const ClientState &state, Reachability &reachability, QObject *parent = nullptr);
    ~RelayService() override;

    // Logged in (credentials are asked for at once) or out (everything is given back).
    void setLoggedIn(bool loggedIn);
    // The member is logged in from the moment this window (the main window) is first shown.
    void followLoginOf(QObject *mainWindow);

    bool available() const override { return credentials_.has_value(); }
    void openTo(const QString &pseudo, QObject *context, std::function<void(QSslSocket *)> done) override;

    // The relayed address published for this client, when there is one.
    std::optional<stun::Endpoint> published() const { return published_; }

signals:
    // A caller came through the relay: the receiver takes the connected socket.
    void incomingConnection(QSslSocket *socket);
    void publishedChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void withCredentials(std::function<void(bool)> then);
    void update();
    void hold();
    void letGo();
    TurnCredentials turn() const;
    void connectThrough(TurnAllocation *allocation, const stun::Endpoint &peer, QObject *context,
                        std::function<void(QSslSocket *)> done);

    const ClientState &state_;
    Reachability &reachability_;
    bool loggedIn_ = false;
    bool noRelay_ = false; // the server said it has none
    std::optional<relayreplies::Credentials> credentials_;
    QDeadlineTimer credentialsGoodUntil_;
    QList<std::function<void(bool)>> waitingForCredentials_;
    bool askingCredentials_ = false;
    QPointer<TurnAllocation> held_;
    std::optional<stun::Endpoint> published_;
    QTimer retryTimer_;
};

} // namespace jaserelle::client
