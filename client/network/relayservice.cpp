#include "client/network/relayservice.h"

#include "client/network/serverget.h"
#include "client/server/serverconnection.h"
#include "client/shell/clientstate.h"

#include <QEvent>
#include <QSslSocket>

namespace jaserelle::client {

using namespace relayreplies;

RelayService::RelayService(const ClientState &state, Reachability &reachability, QObject *parent)
    : QObject(parent), state_(state), reachability_(reachability)
{
    connect(&reachability_, &Reachability::changed, this, &RelayService::update);
    retryTimer_.setSingleShot(true);
    retryTimer_.setInterval(retryMs);
    connect(&retryTimer_, &QTimer::timeout, this, &RelayService::update);
}

RelayService::~RelayService()
{
    if (held_)
        held_->release();
}

void RelayService::setLoggedIn(bool loggedIn)
{
    if (loggedIn == loggedIn_)
        return;
    loggedIn_ = loggedIn;
    if (!loggedIn) {
        letGo();
        credentials_.reset();
        noRelay_ = false;
        return;
    }
    withCredentials([this](bool) { update(); });
}

void RelayService::followLoginOf(QObject *mainWindow)
{
    mainWindow->installEventFilter(this);
}

bool RelayService::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        watched->removeEventFilter(this);
        setLoggedIn(true);
    }
    return false;
}

void RelayService::withCredentials(std::function<void(bool)> then)
{
    if (noRelay_ || !loggedIn_) {
        QTimer::singleShot(0, this, [then] { then(false); });
        return;
    }
    if (credentials_ && !credentialsGoodUntil_.hasExpired()) {
        QTimer::singleShot(0, this, [then] { then(true); });
        return;
    }
    waitingForCredentials_.push_back(std::move(then));
    if (askingCredentials_)
        return;
    askingCredentials_ = true;
    serverGet(serverLinkOf(state_), credentialsPath(state_.userLogin, state_.userPassword), this,
              [this](int status, const QByteArray &body) {
                  askingCredentials_ = false;
                  const auto parsed = status == 200 ? parseCredentials(body) : std::nullopt;
                  // 404: this server has no relay. Anything else (no answer, a refused session)
                  // may pass: asked again next time.
                  noRelay_ = status == 404;
                  if (parsed) {
                      credentials_ = parsed;
                      // Asked again well before the relay stops taking them.
                      credentialsGoodUntil_.setRemainingTime(qint64(parsed->seconds) * 800);
                  }
                  const auto waiting = std::exchange(waitingForCredentials_, {});
                  for (const auto &w : waiting)
                      w(available());
              });
}

TurnCredentials RelayService::turn() const
{
    return TurnCredentials{credentials_->host, credentials_->port, credentials_->username,
                           credentials_->password};
}

void RelayService::update()
{
    if (loggedIn_ && !noRelay_ && reachability_.state() == Reachability::State::Unreachable)
        hold();
    else
        letGo();
}

void RelayService::hold()
{
    if (held_)
        return;
    withCredentials([this](bool ok) {
        if (!ok || held_ || !loggedIn_ || reachability_.state() != Reachability::State::Unreachable)
            return;
        auto *allocation = new TurnAllocation(this);
        held_ = allocation;
        connect(allocation, &TurnAllocation::allocated, this, [allocation](const stun::Endpoint &relayed) {
            // Callers come from other allocations of this same relay, hence from its own address.
            allocation->permit(relayed.ip);
        });
        connect(allocation, &TurnAllocation::permitted, this, [this, allocation] {
            if (held_ != allocation || published_)
                return;
            const stun::Endpoint relayed = allocation->relayed();
            serverGet(serverLinkOf(state_), publishPath(state_.userLogin, state_.userPassword, relayed), this,
                      [this, allocation, relayed](int status, const QByteArray &) {
                          if (held_ != allocation)
                              return;
                          if (status == 200) {
                              published_ = relayed;
                              emit publishedChanged();
                          }
                      });
        });
        connect(allocation, &TurnAllocation::incomingConnection, this,
                [this](QSslSocket *socket, const stun::Endpoint &) { emit incomingConnection(socket); });
        connect(allocation, &TurnAllocation::failed, this, [this, allocation] {
            if (held_ != allocation)
                return;
            held_ = nullptr;
            allocation->deleteLater();
            // Credentials run out, the relay restarted: new ones, a new allocation, a little later.
            credentials_.reset();
            if (published_) {
                published_.reset();
                emit publishedChanged();
            }
            retryTimer_.start();
        });
        allocation->start(turn());
    });
}

void RelayService::letGo()
{
    retryTimer_.stop();
    if (published_ && loggedIn_)
        serverGet(serverLinkOf(state_), withdrawPath(state_.userLogin, state_.userPassword), this,
                  [](int, const QByteArray &) {});
    if (published_) {
        published_.reset();
        emit publishedChanged();
    }
    if (held_) {
        TurnAllocation *allocation = held_;
        held_ = nullptr;
        allocation->release();
        allocation->deleteLater();
    }
}

void RelayService::openTo(const QString &pseudo, QObject *context, std::function<void(QSslSocket *)> done)
{
    const QPointer<QObject> receiver(context);
    auto answer = [receiver, done](QSslSocket *socket) {
        if (receiver)
            done(socket);
        else if (socket)
            socket->deleteLater();
    };
    withCredentials([this, pseudo, answer](bool ok) {
        if (!ok) {
            answer(nullptr);
            return;
        }
        serverGet(
            serverLinkOf(state_), lookupPath(state_.userLogin, state_.userPassword, pseudo), this,
            [this, answer](int status, const QByteArray &body) {
                const auto peer = status == 200 ? parseLookup(body) : std::nullopt;
                if (!peer || !credentials_) {
                    answer(nullptr);
                    return;
                }
                if (held_ && held_->state() == TurnAllocation::State::Allocated) {
                    connectThrough(held_, *peer, this, answer);
                    return;
                }
                // An allocation for this call alone, given back when the call's socket goes.
                auto *allocation = new TurnAllocation(this);
                connect(allocation, &TurnAllocation::allocated, allocation,
                        [allocation, peer] { allocation->permit(peer->ip); });
                connect(allocation, &TurnAllocation::permitted, allocation, [this, allocation, peer, answer] {
                    connectThrough(allocation, *peer, allocation, [allocation, answer](QSslSocket *socket) {
                        if (socket)
                            connect(socket, &QObject::destroyed, allocation, [allocation] {
                                allocation->release();
                                allocation->deleteLater();
                            });
                        else {
                            allocation->release();
                            allocation->deleteLater();
                        }
                        answer(socket);
                    });
                });
                connect(allocation, &TurnAllocation::failed, allocation, [allocation, answer] {
                    allocation->deleteLater();
                    answer(nullptr);
                });
                allocation->start(turn());
            });
    });
}

void RelayService::connectThrough(TurnAllocation *allocation, const stun::Endpoint &peer, QObject *context,
                                  std::function<void(QSslSocket *)> done)
{
    // One answer per attempt: whichever of the two signals comes first for this peer.
    auto once = std::make_shared<bool>(false);
    auto connections = std::make_shared<QList<QMetaObject::Connection>>();
    auto finish = [once, connections, done](QSslSocket *socket) {
        if (*once)
            return;
        *once = true;
        for (const auto &c : *connections)
            QObject::disconnect(c);
        done(socket);
    };
    connections->push_back(connect(allocation, &TurnAllocation::peerConnected, context,
                                   [peer, finish](QSslSocket *socket, const stun::Endpoint &to) {
                                       if (to == peer)
                                           finish(socket);
                                   }));
    connections->push_back(connect(allocation, &TurnAllocation::connectFailed, context,
                                   [peer, finish](const stun::Endpoint &to) {
                                       if (to == peer)
                                           finish(nullptr);
                                   }));
    connections->push_back(
        connect(allocation, &TurnAllocation::failed, context, [finish] { finish(nullptr); }));
    allocation->connectTo(peer);
}

} // namespace jaserelle::client
