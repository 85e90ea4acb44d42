#pragma once

#include "client/conversation/callerverdict.h"
#include "client/conversation/conversationlink.h"
#include "client/conversation/transcriptnotifier.h"

#include <QObject>
#include <QString>
#include <memory>

namespace jaserelle::client {

struct ClientState;
struct Platform;
struct PeerSecurity;
class FrmConversation;

// One conversation, from the spare that waits for a call to the window discarded at the end. It
// owns the link once the call begins, the state of the call, and the window that shows it; the
// window only shows and reports what the user does. When it is over it asks to be discarded
// (killMeRequested); it never deletes itself.
class Conversation : public QObject
{
    Q_OBJECT

public:
    Conversation(int instanceIndex, ClientState &state, Platform &platform, PeerSecurity *security,
                 QObject *parent = nullptr);
    ~Conversation() override;

    int instanceIndex() const { return instanceIndex_; }
    FrmConversation &window() { return *window_; }
    // None while this is the spare.
    ConversationLink *link() const { return link_.get(); }
    // What the link tells the user: the desktop's boxes, and the transcript once the call is open.
    Notifier &notices() { return notices_; }
    PeerSecurity *security() const { return security_; }

    // The spare places a call on `link`; it stays hidden until the peer accepts.
    void callMember(std::unique_ptr<ConversationLink> link, const QString &pseudo, const QString &ipAdress);
    // The spare takes a link the listener accepted; `mark`: what the checks of the caller's
    // pseudo (and key) found.
    void answer(std::unique_ptr<ConversationLink> link, CallerMark mark);

    QString peerPseudo() const;
    // The peer as the window names it: the pseudo, marked when the server does not vouch for it.
    QString shownPeer() const;
    bool isRinging() const;

    void sendAcceptCall();
    void setConnectNo();
    // Ends the conversation from this side, without a packet, and has it discarded.
    void closeConversation();
    bool sendMessage(const QString &rtf);
    bool sendSound(int index);

signals:
    void killMeRequested(int instanceIndex);
    void callMissed(const QString &pseudo);
    // A message or a sound from the peer, once the window shows it.
    void entryReceived(const QString &rtf);

private:
    void attach(std::unique_ptr<ConversationLink> link);
    void ring(const QString &pseudo);
    void open();
    void onFinished();

    ClientState &state_;
    const int instanceIndex_;
    PeerSecurity *security_;
    bool open_ = false;
    bool killed_ = false;
    CallerMark mark_ = CallerMark::Verified;
    TranscriptNotifier notices_; // before link_, which tells the user through it
    std::unique_ptr<ConversationLink> link_;
    std::unique_ptr<FrmConversation> window_; // goes first: it shows the link
};

} // namespace jaserelle::client
