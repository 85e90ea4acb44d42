#include "client/security/keydirectoryclient.h"

#include "client/conversation/peersecurity.h"
#include "client/security/keylistreply.h"
#include "client/server/serverconnection.h"
#include "client/server/wiretext.h"
#include "client/shell/clientstate.h"

#include <QTcpSocket>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

KeyDirectoryClient::KeyDirectoryClient(const ClientState &state, PeerSecurity &security, QObject *parent)
    : QObject(parent), state_(state), security_(security)
{
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        reply_.clear();
        finish();
    });
    relook_.setInterval(relookMs);
    connect(&relook_, &QTimer::timeout, this, [this] { stale_ = true; });
}

KeyDirectoryClient::~KeyDirectoryClient()
{
    // Silently: what its end would start next needs the keys, which may be gone already.
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
    }
}

void KeyDirectoryClient::refreshed(const QStringList &members)
{
    if (!hasDirectory_ || !security_.identity)
        return;
    QStringList sorted = members;
    sorted.sort();
    sorted.removeDuplicates();
    if (sorted != lookedUp_) {
        stale_ = true;
        retried_ = false;
    }
    wanted_ = sorted;
    next();
}

void KeyDirectoryClient::next()
{
    if (asking_ != Asking::Nothing || !hasDirectory_ || state_.userLogin.isEmpty())
        return;
    if (!published_) {
        ask(Asking::Publish,
            publishKeyPath(state_.userLogin, state_.userPassword, security_.identity->fingerprint()));
        return;
    }
    if (stale_ && !wanted_.isEmpty()) {
        asked_ = wanted_;
        ask(Asking::Lookup, lookupKeysPath(state_.userLogin, state_.userPassword, asked_));
    }
}

void KeyDirectoryClient::ask(Asking what, const QString &path)
{
    const QByteArray request = serverGetRequest(state_.serverHost, wiretext::toWire(u"/"_s + path));
    QTcpSocket *socket = openServerConnection(
        serverLinkOf(state_, security_.identity ? &*security_.identity : nullptr), this, [this, request] {
            if (socket_)
                socket_->write(request);
        });
    if (!socket)
        return;
    asking_ = what;
    reply_.clear();
    socket_ = socket;
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        reply_ += socket->readAll();
        if (reply_.size() > replyCap) {
            reply_.clear();
            finish();
        }
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        reply_ += socket->readAll();
        finish();
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError error) {
        // The server closing after its answer (over TLS, its close_notify) ends the answer.
        if (error == QAbstractSocket::RemoteHostClosedError)
            reply_ += socket->readAll();
        else
            reply_.clear();
        finish();
    });
    deadline_.start(deadlineMs);
}

void KeyDirectoryClient::finish()
{
    if (asking_ == Asking::Nothing)
        return;
    deadline_.stop();
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
        socket_->deleteLater();
    }
    const Asking was = asking_;
    asking_ = Asking::Nothing;
    const QString reply = wiretext::fromWire(reply_);
    reply_.clear();
    // A failed request is tried again at the next refresh.
    if (was == Asking::Publish) {
        if (isKeyPublished(reply)) {
            published_ = true;
            stale_ = true;
        } else if (parseKeyListReply(reply).status == KeyListReply::Status::NoDirectory) {
            hasDirectory_ = false;
        }
    } else {
        const KeyListReply list = parseKeyListReply(reply);
        if (list.status == KeyListReply::Status::NoDirectory)
            hasDirectory_ = false;
        if (list.status == KeyListReply::Status::Listed) {
            for (const QString &member : asked_)
                security_.published.remove(member);
            for (const PublishedKey &key : list.keys) {
                if (asked_.contains(key.pseudo))
                    security_.published.insert(key.pseudo, key.fingerprint);
            }
            lookedUp_ = asked_;
            stale_ = false;
            relook_.start();
            emit lookedUp();
            if (!retried_ && list.keys.size() < static_cast<std::size_t>(asked_.size())) {
                retried_ = true;
                stale_ = true; // at the next refresh, not now
                return;
            }
        }
    }
    next();
}

} // namespace jaserelle::client
