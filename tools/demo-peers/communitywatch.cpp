#include "tools/demo-peers/communitywatch.h"

#include "client/contacts/refreshreply.h"
#include "client/server/requestcatalogue.h"
#include "client/server/wiretext.h"

#include <QTcpSocket>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {
constexpr int retryMs = 1000;
constexpr int requestTimeoutMs = 10000;
} // namespace

CommunityWatch::CommunityWatch(Options options, QObject *parent)
    : QObject(parent), options_(std::move(options)), server_(parseServerHost(options_.serverHost))
{
    refresh_.setInterval(options_.refreshMs);
    connect(&refresh_, &QTimer::timeout, this, &CommunityWatch::refresh);
}

void CommunityWatch::start()
{
    discover();
}

// One request per connection, the way the client talks to the server; the answer is whole when
// the server closes. A request that gets no answer ends with an empty one.
void CommunityWatch::get(const QString &path, std::function<void(const QString &)> done)
{
    if (socket_)
        socket_->deleteLater();
    auto *socket = socket_ = new QTcpSocket(this);
    auto *timeout = new QTimer(socket);
    auto reply = std::make_shared<QByteArray>();
    auto finish = [this, socket, reply, done] {
        if (socket_ != socket)
            return;
        socket_ = nullptr;
        socket->deleteLater();
        done(wiretext::fromWire(*reply));
    };
    connect(socket, &QTcpSocket::connected, socket, [socket, path, this] {
        socket->write(wiretext::toWire(u"GET /"_s + path + u" HTTP/1.1\r\nHost: "_s + options_.serverHost +
                                       u"\r\nConnection: close\r\nAccept: */*\r\n\r\n"_s));
    });
    connect(socket, &QTcpSocket::readyRead, socket, [socket, reply] { reply->append(socket->readAll()); });
    connect(socket, &QTcpSocket::disconnected, socket, finish);
    // The server's close is the end of the answer (disconnected); any other error ends it too.
    connect(socket, &QTcpSocket::errorOccurred, socket, [finish](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError)
            finish();
    });
    connect(timeout, &QTimer::timeout, socket, finish);
    timeout->start(requestTimeoutMs);
    // From the member's own address, as its client would: the server reports the address it
    // sees a member's requests come from to anyone outside that member's home.
    if (!watcherAddress_.isEmpty())
        socket->bind(QHostAddress(watcherAddress_), 0);
    socket->connectToHost(server_.host, server_.port);
}

void CommunityWatch::discover()
{
    RequestInputs in{{RequestKind::SearchCriteres}};
    in.userLogin = options_.user;
    get(buildRequestPath(in), [this](const QString &answer) {
        const SearchReply found = parseSearchReply(answer);
        if (found.error != SearchParseError::None) {
            emit problem(u"le serveur "_s + options_.serverHost + u" ne répond pas encore"_s);
            QTimer::singleShot(retryMs, this, &CommunityWatch::discover);
            return;
        }
        QList<SearchRecord> online;
        for (const SearchRecord &r : found.records) {
            if (!r.online())
                continue;
            online.append(r);
            if (r.pseudo == options_.watcher)
                watcherAddress_ = r.address;
        }
        emit membersFound(online);
        if (watcherAddress_.isEmpty())
            emit problem(options_.watcher + u" n'est pas connecté : personne ne rappellera "_s +
                         options_.user);
        else
            logIn();
    });
}

void CommunityWatch::logIn()
{
    RequestInputs in{{RequestKind::Login}};
    in.userLogin = options_.watcher;
    in.userPassword = options_.password;
    get(buildRequestPath(in), [this](const QString &answer) {
        if (!answer.contains(u"YOURLOGINISOK"_s)) {
            emit problem(u"connexion de "_s + options_.watcher + u" refusée"_s);
            QTimer::singleShot(5 * retryMs, this, &CommunityWatch::logIn);
            return;
        }
        refresh();
        refresh_.start();
    });
}

void CommunityWatch::refresh()
{
    RequestInputs in{{RequestKind::Refresh}};
    in.userLogin = options_.watcher;
    in.userPassword = options_.password;
    // The watcher stays where the demo shows it: its own loopback address.
    in.localAddress = watcherAddress_;
    get(buildRequestPath(in), [this](const QString &answer) {
        const RefreshReply reply = parseRefreshReply(answer);
        if (!answer.contains(u"REFRESHISOK"_s) || reply.error != RefreshParseError::None)
            return; // the next tick tries again
        QString address;
        for (const ContactRecord &c : reply.favoris)
            if (c.pseudo == options_.user && c.online())
                address = c.address.toString();
        if (address != userAddress_) {
            userAddress_ = address;
            emit userAddressChanged(address);
        }
    });
}
