#include "client/server/requestengine.h"

#include "client/platform/platform.h"
#include "client/security/identity.h"
#include "client/server/enginenotices.h"
#include "client/server/replypipeline.h"
#include "client/server/serverconnection.h"
#include "client/server/serverhost.h"
#include "client/server/servertls.h"
#include "client/server/wiretext.h"
#include "client/shell/clientstate.h"

#include <QSslSocket>
#include <QTcpSocket>
#include <utility>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

const QString statusIdle = QStringLiteral("En attente");
const QString statusConnected = QStringLiteral("Connection avec le serveur établie");

} // namespace

RequestEngine::RequestEngine(ClientState &client, Notifier &notifier, AppLifetime &lifetime,
                             const ReplyPipeline &pipeline, QObject *parent)
    : RequestPort(parent), client_(client), notifier_(notifier), lifetime_(lifetime), pipeline_(pipeline)
{
    refreshTimer_.setInterval(refreshIntervalMs);
    nextRefresh_.setRemainingTime(refreshIntervalMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &RequestEngine::onRefreshTick);
    timeoutTimer_.setSingleShot(true);
    connect(&timeoutTimer_, &QTimer::timeout, this, &RequestEngine::onTimeout);
    connectTimer_.setSingleShot(true);
    connect(&connectTimer_, &QTimer::timeout, this, &RequestEngine::onSocketError);
    answerTimer_.setSingleShot(true);
    connect(&answerTimer_, &QTimer::timeout, this, &RequestEngine::onTimeout);
}

RequestEngine::~RequestEngine()
{
    dropSocket();
}

void RequestEngine::start(const Request &request)
{
    if (!hasNeededInput(request))
        return; // nobody to name to the server: whatever is in flight goes on
    if (requestRule(request.kind).stopsRefresh)
        refreshTimer_.stop();
    request_ = request;
    connectServer();
}

void RequestEngine::startRefresh()
{
    refreshOwed_ = false;
    nextRefresh_.setRemainingTime(refreshMs_);
    if (refreshTimer_.isActive())
        refreshTimer_.start(refreshMs_); // the beat follows the last refresh
    request_ = Request{RequestKind::Refresh};
    connectServer();
}

void RequestEngine::resumeRefresh()
{
    // Never a refresh from in here: a handler calls this while the reply is still being read.
    const qint64 left = refreshOwed_ ? 0 : std::min<qint64>(nextRefresh_.remainingTime(), refreshMs_);
    refreshTimer_.start(static_cast<int>(left));
}

void RequestEngine::setIdentity(const ClientIdentity &identity)
{
    identity_ = std::make_unique<ClientIdentity>(identity);
    identityLoaded_ = true;
}

QTcpSocket *RequestEngine::makeSocket(bool tls)
{
    if (!tls)
        return new QTcpSocket(this);
    if (!identityLoaded_ && !client_.appDir.isEmpty()) {
        identityLoaded_ = true;
        if (auto identity = loadOrCreateIdentity(client_.appDir))
            identity_ = std::make_unique<ClientIdentity>(*identity);
    }
    auto *socket = new QSslSocket(this);
    const QString server = client_.serverHost;
    if (ticketServer_ != server) { // a ticket is only ever offered to the server that gave it
        ticketServer_ = server;
        ticket_.clear();
    }
    socket->setSslConfiguration(serverTlsConfiguration(client_.appDir, identity_.get(), ticket_));
    return socket;
}

void RequestEngine::keepSessionTicket()
{
    auto *tls = qobject_cast<QSslSocket *>(socket_.data());
    if (!tls)
        return;
    const QByteArray ticket = tls->sslConfiguration().sessionTicket();
    if (!ticket.isEmpty())
        ticket_ = ticket;
}

void RequestEngine::setRefreshInterval(int ms)
{
    refreshMs_ = ms;
    refreshTimer_.setInterval(ms);
    nextRefresh_.setRemainingTime(ms);
}

void RequestEngine::connectServer()
{
    // A refresh replaced before its answer came is still owed.
    if (stateValue_ != State::Idle && inFlight_ == RequestKind::Refresh &&
        request_.kind != RequestKind::Refresh)
        refreshOwed_ = true;
    inFlight_ = request_.kind;
    dropSocket();
    ++generation_;
    // A replaced request takes its half-received answer with it: the next reply starts clean.
    replyBytes_.clear();

    const ServerAddress address = parseServerHost(client_.serverHost);
    QTcpSocket *socket = makeSocket(address.tls);
    bool started = address.valid;
    if (started && !client_.localAddress.isNull())
        started = socket->bind(client_.localAddress, 0);
    if (!started) {
        delete socket;
        setState(State::Idle);
        serverWasDown_ = true;
        showAvailability(startFailureNotice(client_.serverHost));
        emit startFailed(request_.kind);
        return;
    }

    socket_ = socket;
    tlsFailure_ = TlsFailure::None;
    auto *tls = qobject_cast<QSslSocket *>(socket);
    if (tls) {
        // Nothing is written before the handshake is done and the certificate checked.
        connect(tls, &QSslSocket::encrypted, this, [this] {
            tlsNoticeShown_ = false;
            keepSessionTicket();
            onConnected();
        });
        connect(tls, &QSslSocket::newSessionTicketReceived, this, &RequestEngine::keepSessionTicket);
        connect(tls, &QSslSocket::sslErrors, this, [this] { tlsFailure_ = TlsFailure::Certificate; });
    } else {
        connect(socket, &QTcpSocket::connected, this, &RequestEngine::onConnected);
    }
    connect(socket, &QTcpSocket::readyRead, this, &RequestEngine::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &RequestEngine::onDisconnected);
    connect(socket, &QTcpSocket::errorOccurred, this, [this, tls](QAbstractSocket::SocketError error) {
        // The server closing after its answer is the normal end of a reply, not a failure. Over
        // TLS its close_notify says so before the connection itself goes.
        if (error == QAbstractSocket::RemoteHostClosedError &&
            (stateValue_ == State::Waiting || stateValue_ == State::Receiving)) {
            if (tls)
                onDisconnected();
            return;
        }
        if (tls && tlsFailure_ == TlsFailure::None && stateValue_ == State::Connecting &&
            (error == QAbstractSocket::SslHandshakeFailedError ||
             error == QAbstractSocket::SslInternalError || error == QAbstractSocket::RemoteHostClosedError))
            tlsFailure_ = TlsFailure::Handshake;
        onSocketError();
    });
    setState(State::Connecting);
    connectTimer_.start(timeoutMs_);
    // The address goes out in dotted decimal: stay on IPv4.
    if (tls)
        tls->connectToHostEncrypted(address.host, address.port, QIODevice::ReadWrite,
                                    QAbstractSocket::IPv4Protocol);
    else
        socket->connectToHost(address.host, address.port, QIODevice::ReadWrite,
                              QAbstractSocket::IPv4Protocol);
}

void RequestEngine::onConnected()
{
    connectTimer_.stop();
    const bool wasDown = serverWasDown_;
    serverWasUp_ = true;
    serverWasDown_ = false;
    setStatusText(statusConnected);

    const RequestInputs inputs{request_, client_.userLogin, client_.userPassword,
                               socket_->localAddress().toString()};
    // The request leaves before anything is shown: a server keeps an idle connection only for a
    // few seconds, and the user reading a box is no reason to lose the request.
    socket_->write(serverGetRequest(client_.serverHost, wiretext::toWire(u"/"_s + buildRequestPath(inputs))));
    setState(State::Waiting);
    timeoutTimer_.start(timeoutMs_);
    answerTimer_.start(answerMs_);
    if (wasDown)
        showAvailability(backOnlineNotice(client_.serverHost));
}

void RequestEngine::onReadyRead()
{
    if (!socket_)
        return;
    timeoutTimer_.stop();
    setState(State::Receiving);
    const QByteArray piece = socket_->readAll();
    if (replyBytes_.size() + piece.size() > replyCap) {
        // No reply of this protocol comes near this size: treat it as a broken connection.
        onSocketError();
        return;
    }
    replyBytes_.append(piece);
}

void RequestEngine::onDisconnected()
{
    if (stateValue_ != State::Waiting && stateValue_ != State::Receiving)
        return;
    if (socket_ && socket_->bytesAvailable() > 0)
        onReadyRead();
    if (stateValue_ != State::Waiting && stateValue_ != State::Receiving)
        return; // the last piece broke the cap
    timeoutTimer_.stop();
    answerTimer_.stop();
    dropSocket();
    setState(State::Idle);
    setStatusText(statusIdle);

    const quint64 generation = generation_;
    const RequestKind kind = request_.kind;
    QString reply = wiretext::fromWire(replyBytes_);
    pipeline_.run(reply);
    if (ended_)
        return;
    client_.firstRefresh = false;
    if (generation == generation_)
        replyBytes_.clear();
    emit replyHandled(kind);
    if (ended_ || generation != generation_)
        return; // a handler started the next request: its own reply decides
    // A request the user started is complete only when a handler switched the refresh back on.
    if (!refreshTimer_.isActive() && requestRule(kind).awaitsHandler)
        answerNobodyTook(kind);
    refreshIfDue();
}

void RequestEngine::answerNobodyTook(RequestKind kind)
{
    // An error page, a refusal without a keyword, an empty answer: nothing was done, and the user
    // hears it rather than waiting for nothing.
    notifier_.notify(unansweredNotice(kind, client_.serverHost));
    resumeRefresh();
}

void RequestEngine::refreshIfDue()
{
    if (stateValue_ == State::Idle && refreshTimer_.isActive() && (refreshOwed_ || nextRefresh_.hasExpired()))
        refreshTimer_.start(0); // from the event loop, once whoever made the engine idle is done
}

void RequestEngine::onSocketError()
{
    if (stateValue_ == State::Idle)
        return;
    connectTimer_.stop();
    timeoutTimer_.stop();
    answerTimer_.stop();
    dropSocket();
    setState(State::Idle);
    setStatusText(statusIdle);
    serverWasDown_ = true;
    replyBytes_.clear(); // the next request starts clean anyway: don't hold on to a broken answer

    const SocketErrorOutcome outcome = socketErrorOutcome(request_.kind, client_.serverHost);
    const TlsFailure tlsFailure = std::exchange(tlsFailure_, TlsFailure::None);
    std::optional<Notice> notice = outcome.notice;
    bool announce = outcome.notice && (!outcome.onlyWhileServerWasUp || serverWasUp_);
    if (tlsFailure != TlsFailure::None) {
        // Never the outage texts: the server may well be up, it is the link that is not safe.
        notice = tlsFailure == TlsFailure::Certificate ? certificateRefusedNotice(client_.serverHost)
                                                       : tlsFailedNotice(client_.serverHost);
        announce = !(outcome.onlyWhileServerWasUp && tlsNoticeShown_);
        tlsNoticeShown_ = tlsNoticeShown_ || announce;
    }
    if (outcome.endsApplication) {
        if (announce)
            endApplicationAfter(*notice);
        else
            endApplication();
        return;
    }
    if (request_.kind == RequestKind::Login) {
        // Nobody is signed in: no outage to follow, nothing to refresh. The user tries again.
        serverWasDown_ = false;
        if (announce)
            notifier_.notify(*notice);
        emit requestFailed(RequestKind::Login);
        return;
    }
    if (announce && tlsFailure != TlsFailure::None) {
        notifier_.notify(*notice);
    } else if (announce) {
        serverWasUp_ = false;
        showAvailability(*outcome.notice);
    }
    emit requestFailed(request_.kind);
    resumeRefresh();
}

void RequestEngine::onTimeout()
{
    if (stateValue_ != State::Waiting && stateValue_ != State::Receiving)
        return;
    timeoutTimer_.stop();
    answerTimer_.stop();
    dropSocket();
    setState(State::Idle);
    setStatusText(statusIdle);
    const RequestKind kind = request_.kind;
    if (kind == RequestKind::Logoff) {
        endApplication();
        return;
    }
    if (kind == RequestKind::Login) {
        notifier_.notify(timeoutNotice(kind));
        emit requestFailed(kind);
        return;
    }
    notifier_.notify(timeoutNotice(kind));
    emit requestFailed(kind);
    // The engine is idle again: the periodic refresh carries on by itself.
    resumeRefresh();
}

void RequestEngine::onRefreshTick()
{
    refreshTimer_.setInterval(refreshMs_);
    // A request in flight is never replaced: the refresh runs as soon as it is over.
    if (stateValue_ == State::Idle)
        startRefresh();
    else
        refreshOwed_ = true;
}

void RequestEngine::cancel()
{
    if (stateValue_ == State::Idle)
        return;
    timeoutTimer_.stop();
    answerTimer_.stop();
    dropSocket();
    ++generation_;
    replyBytes_.clear();
    setState(State::Idle);
    setStatusText(statusIdle);
}

void RequestEngine::dropSocket()
{
    connectTimer_.stop();
    timeoutTimer_.stop();
    answerTimer_.stop();
    if (!socket_)
        return;
    QTcpSocket *socket = socket_;
    socket_ = nullptr;
    socket->disconnect(this); // closing never raises an event of ours
    socket->abort();
    socket->deleteLater();
}

void RequestEngine::setState(State state)
{
    stateValue_ = state;
}

void RequestEngine::setStatusText(const QString &text)
{
    if (statusText_ == text)
        return;
    statusText_ = text;
    emit statusTextChanged(text);
}

void RequestEngine::endApplication()
{
    ended_ = true;
    refreshTimer_.stop();
    lifetime_.endApplication();
}

void RequestEngine::endApplicationAfter(const Notice &notice)
{
    ended_ = true;
    refreshTimer_.stop();
    notifier_.notify(notice, [engine = QPointer<RequestEngine>(this)] {
        if (engine)
            engine->lifetime_.endApplication();
    });
}

void RequestEngine::showAvailability(const Notice &notice)
{
    if (availability_ && *availability_ != notice)
        notifier_.withdraw(*availability_);
    availability_ = notice;
    notifier_.notify(notice, [engine = QPointer<RequestEngine>(this), notice] {
        if (engine && engine->availability_ == notice)
            engine->availability_.reset();
    });
}

} // namespace jaserelle::client
