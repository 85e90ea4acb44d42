#pragma once

#include "client/platform/notice.h"
#include "client/server/requestcatalogue.h"
#include "client/server/requestkind.h"
#include "client/server/requestport.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>

class QTcpSocket;

namespace jaserelle::client {

class Notifier;
class AppLifetime;
class ReplyPipeline;
struct ClientState;
struct ClientIdentity;

// One request at a time to the community server, one TCP connection per request. The reply is
// gathered until the server closes, then handed whole to the reply pipeline.
class RequestEngine : public RequestPort
{
    Q_OBJECT

public:
    enum class State
    {
        Idle,
        Connecting,
        Waiting,
        Receiving
    };

    static constexpr int refreshIntervalMs = 30000;
    static constexpr int timeoutIntervalMs = 60000;
    // The whole answer, from the established connection to the server's close: a server that
    // drips its bytes or never closes meets the same time-out as one that says nothing.
    static constexpr int answerDeadlineMs = 120000;
    static constexpr qsizetype replyCap = 64 * 1024 * 1024;

    RequestEngine(ClientState &state, Notifier &notifier, AppLifetime &lifetime,
                  const ReplyPipeline &pipeline, QObject *parent = nullptr);
    ~RequestEngine() override;

    void start(const Request &request) override;
    void startRefresh() override;
    // The beat is kept: a refresh that fell due meanwhile runs as soon as the engine is idle,
    // the next one 30 s after the last refresh. An answer that no handler completes switches it on
    // by itself and tells the user that request failed.
    void resumeRefresh() override;
    const Request &request() const override { return request_; }
    // Drops the request in flight without a notice and without reply handling, as if it had
    // never been started (the user gave up waiting for it).
    void cancel();

    State state() const { return stateValue_; }
    QString statusText() const { return statusText_; }
    qsizetype receivedBytes() const { return replyBytes_.size(); }
    bool serverWasDown() const { return serverWasDown_; }
    bool serverWasUp() const { return serverWasUp_; }

    // Active while the periodic refresh is on.
    QTimer &refreshTimer() { return refreshTimer_; }
    // The key the client presents to an https:// server. Without one the engine reads (or makes)
    // the identity kept beside jaserelle.ini at its first TLS connection.
    void setIdentity(const ClientIdentity &identity);
    // Tests shorten the waits; the application keeps the constants above.
    void setTimeoutInterval(int ms) { timeoutMs_ = ms; }
    void setAnswerDeadline(int ms) { answerMs_ = ms; }
    void setRefreshInterval(int ms);

signals:
    void statusTextChanged(const QString &text);

private:
    // Starts request_, dropping any request still in flight.
    void connectServer();
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onSocketError();
    void onTimeout();
    void onRefreshTick();
    void refreshIfDue();
    void answerNobodyTook(RequestKind kind);

    QTcpSocket *makeSocket(bool tls);
    void keepSessionTicket();
    void dropSocket();
    void setState(State state);
    void setStatusText(const QString &text);
    void endApplication();
    // Ends the application once the user has read `notice`; nothing else runs meanwhile.
    void endApplicationAfter(const Notice &notice);
    // The one box about the server being away or back: a new one takes the place of the last.
    void showAvailability(const Notice &notice);

    ClientState &client_;
    Notifier &notifier_;
    AppLifetime &lifetime_;
    const ReplyPipeline &pipeline_;

    QPointer<QTcpSocket> socket_;
    quint64 generation_ = 0; // bumped at each connectServer, to spot requests replaced meanwhile
    State stateValue_ = State::Idle;
    Request request_{RequestKind::Login};
    RequestKind inFlight_ = RequestKind::Login; // what connectServer last sent out
    QString statusText_;
    QByteArray replyBytes_;
    bool serverWasDown_ = false;
    bool serverWasUp_ = false;
    bool ended_ = false;

    // Over TLS: the identity presented, the session to resume (for one server), and why the last
    // handshake failed, which decides the notice.
    std::unique_ptr<ClientIdentity> identity_;
    bool identityLoaded_ = false;
    QString ticketServer_;
    QByteArray ticket_;
    enum class TlsFailure
    {
        None,
        Certificate,
        Handshake
    };
    TlsFailure tlsFailure_ = TlsFailure::None;
    bool tlsNoticeShown_ = false; // the periodic refresh tells it once, like an outage

    QTimer refreshTimer_;
    int refreshMs_ = refreshIntervalMs;
    QDeadlineTimer nextRefresh_; // 30 s after the last refresh started
    bool refreshOwed_ = false;   // a tick came while busy, or a refresh was replaced
    QTimer timeoutTimer_;        // first byte of the answer
    QTimer connectTimer_;        // a connection that never completes
    QTimer answerTimer_;         // the whole answer
    int timeoutMs_ = timeoutIntervalMs;
    int answerMs_ = answerDeadlineMs;
    std::optional<Notice> availability_; // the outage or "back" box still up
};

} // namespace jaserelle::client
