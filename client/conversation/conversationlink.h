#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace jaserelle::client {

// What a conversation needs of its connection to the other client, whatever carries it: a plain
// socket, TLS, or a socket through the call relay (PeerLink carries all three the same way). It
// says what arrived and when the link ended; it owns no window.
class ConversationLink : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Idle,           // neither calling nor called yet
        Connecting,     // caller: connection under way
        AwaitingAnswer, // caller: call request sent
        Accepted,       // callee: connection taken, no call request yet
        Ringing,        // callee: call request received, the user decides
        InConversation, // accept sent or received
        Refusing,       // callee: refusal on its way out, the link closes once it has left
        Ended,          // over: nothing more comes from this link
    };
    Q_ENUM(State)

    using QObject::QObject;

    // Caller: places the call to the member at `ipAdress`.
    virtual void callMember(const QString &pseudo, const QString &ipAdress) = 0;
    // Callee: accepts the call that rings.
    virtual void sendAcceptCall() = 0;
    // Callee: refuses it; finished() follows, without a notice, once the refusal has left.
    virtual void setConnectNo() = 0;
    // Closes the link from this side without a packet. No notice and no finished().
    virtual void closeConversation() = 0;
    // Both false when the link is not connected any more; nothing is queued.
    virtual bool sendMessage(const QString &rtf) = 0;
    virtual bool sendSound(int index) = 0;

    virtual State state() const = 0;
    virtual QString peerPseudo() const = 0;
    virtual bool isEncrypted() const = 0;
    // The certificate fingerprint the other side presented; empty on a plain link.
    virtual QByteArray peerFingerprint() const = 0;

signals:
    void callRequested(const QString &pseudo); // callee: ring; incomingcall.wav already played
    void callAccepted();                       // caller: open the conversation
    // Callee: nobody answered within the ringing time; finished() follows.
    void callMissed(const QString &pseudo);
    // Something to show under the peer's name line; the sound of index `sound` (-1: none) has been
    // played already.
    void entryReceived(const QString &rtf, int sound);
    // The link ended on its own and the user has been told. The link may be deleted from inside
    // this signal.
    void finished();
};

} // namespace jaserelle::client
