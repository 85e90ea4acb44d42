#include "tools/demo-peers/demopeers.h"

#include "client/conversation/peerpackets.h"
#include "tools/demo-peers/sharedport.h"

#include <QDebug>
#include <QTcpServer>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {
// How often a call that found the line busy looks again.
constexpr int busyRetryMs = 5000;
} // namespace

DemoPeers::DemoPeers(const Timing &timing, int callAfterMs, const QString &user, QObject *parent)
    : QObject(parent), timing_(timing), callAfterMs_(callAfterMs), user_(user)
{
    callTimer_.setSingleShot(true);
    connect(&callTimer_, &QTimer::timeout, this, &DemoPeers::callUser);
}

int DemoPeers::listen(const QList<SearchRecord> &online)
{
    for (const SearchRecord &record : online) {
        const QHostAddress address(record.address);
        auto *server = new QTcpServer(this);
        if (!listenShared(*server, address, peerPort)) {
            qWarning().noquote() << "jaserelle-demo-peers:" << record.pseudo << "cannot listen on"
                                 << record.address + u':' + QString::number(peerPort)
                                 << "(the port is held without SO_REUSEPORT, or the address is not local)";
            delete server;
            continue;
        }
        members_.push_back({castMember(record.pseudo), address, server});
        const CastMember &cast = members_.back().cast;
        connect(server, &QTcpServer::newConnection, this, [this, server, cast] {
            while (QTcpSocket *socket = server->nextPendingConnection())
                track(new DemoConversation(cast, timing_, socket, this));
        });
        const QString part = cast.role == Role::Refuses   ? u" (refuses calls)"_s
                             : cast.role == Role::HangsUp ? u" (hangs up after a while)"_s
                             : cast.callsUser             ? u" (may call "_s + user_ + u')'
                                                          : QString();
        qInfo().noquote() << "jaserelle-demo-peers:" << record.pseudo << "answers on"
                          << record.address + u':' + QString::number(peerPort) + part;
    }
    return static_cast<int>(members_.size());
}

void DemoPeers::setUserAddress(const QString &address)
{
    // A new session: the user was away and is back. It gets one call, a while after the login.
    if (userAddress_.isEmpty() && !address.isEmpty())
        callTimer_.start(callAfterMs_);
    else if (address.isEmpty())
        callTimer_.stop();
    userAddress_ = address;
}

void DemoPeers::track(DemoConversation *conversation)
{
    ++live_;
    connect(conversation, &DemoConversation::ended, this, [this] { --live_; });
}

void DemoPeers::callUser()
{
    if (userAddress_.isEmpty())
        return;
    if (live_ > 0) {
        callTimer_.start(busyRetryMs);
        return;
    }
    for (std::size_t tried = 0; tried < members_.size(); ++tried) {
        const Member &m = members_[nextCaller_++ % members_.size()];
        if (!m.cast.callsUser)
            continue;
        qInfo().noquote() << "jaserelle-demo-peers:" << m.cast.pseudo << "calls" << user_ << "at"
                          << userAddress_;
        track(new DemoConversation(m.cast, timing_, m.address, userAddress_, user_, this));
        return;
    }
}
