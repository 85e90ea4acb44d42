#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QTcpSocket;

namespace jaserelle::client {

struct ClientState;
struct PeerSecurity;

// Keeps the conversations' view of the key directory current: once logged in, publishes this
// client's fingerprint, then looks up the members the user sees whenever that set changes (and
// every few minutes, for keys renewed meanwhile). It talks to the server on a connection of its
// own, beside the request engine, so it never replaces a request the user started; one request
// at a time, each with a deadline and a bounded answer. A server without a directory (404) is
// asked nothing more this run.
class KeyDirectoryClient : public QObject
{
    Q_OBJECT

public:
    static constexpr int deadlineMs = 10000;
    static constexpr qint64 replyCap = 256 * 1024;
    static constexpr int relookMs = 5 * 60 * 1000;

    KeyDirectoryClient(const ClientState &state, PeerSecurity &security, QObject *parent = nullptr);
    ~KeyDirectoryClient() override;

    // After each handled refresh: the connected members the lists show now.
    void refreshed(const QStringList &members);

    bool hasDirectory() const { return hasDirectory_; }

signals:
    void lookedUp(); // a lookup's answer has been taken into the security

private:
    enum class Asking
    {
        Nothing,
        Publish,
        Lookup
    };
    void ask(Asking what, const QString &path);
    void finish();
    void next();

    const ClientState &state_;
    PeerSecurity &security_;
    QPointer<QTcpSocket> socket_;
    QByteArray reply_;
    QTimer deadline_;
    QTimer relook_;
    Asking asking_ = Asking::Nothing;
    bool published_ = false;
    bool hasDirectory_ = true;
    QStringList wanted_;   // the members to look up next
    QStringList asked_;    // the members of the lookup in flight
    QStringList lookedUp_; // the members of the last answered lookup
    bool stale_ = false;
    // A member who has just connected may publish a moment after the lookup that saw it: members
    // found without a key are asked once more, at the next refresh.
    bool retried_ = false;
};

} // namespace jaserelle::client
