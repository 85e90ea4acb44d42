#pragma once

#include "client/conversation/callerverdict.h"
#include "client/conversation/membersightings.h"
#include "client/conversation/missedcalls.h"
#include "client/conversation/peersecurity.h"
#include "client/platform/platform.h"
#include "client/shell/conversationlist.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QSslSocket;
class QLabel;
class QTcpSocket;
class QTreeWidgetItem;

namespace jaserelle::client {

struct ClientState;
class Conversation;
class ConversationLink;
class FrmConversation;
class FrmMain;
class HistoryKeeper;
class SpellChecker;
class PeerLink;
class PeerListener;
class RelayRoute;

// Which list a call was placed from: only the message for calling oneself differs.
enum class CallSource
{
    Favoris,
    ListeNoire,
    Recherche,
};

// What a click on "L'appeler" leads to: the call (nothing to tell), or a message instead.
std::optional<Notice> noCallNotice(CallSource source, const QString &pseudo, bool online,
                                   const QString &userLogin);

// Every conversation of one client, at indices 1 to conversationCount (0 stays empty, and an index
// is never given twice), each owning its link and its window; the last one is the hidden spare
// that takes the next call.
// Incoming calls arrive through one listener for the whole client, which hands on only
// connections that asked for a call; they go to the spare of the moment, a few at a time (the
// rest are refused), and a call placed goes from the spare too. Either way a new spare follows.
class ConversationWindows : public QObject, public ConversationList
{
    Q_OBJECT

public:
    // Calls that may ring at the same time; the next one is refused until one is answered.
    static constexpr int maxRinging = 4;

    ConversationWindows(ClientState &state, Platform &platform, QObject *parent = nullptr);
    ~ConversationWindows() override;

    // What a call placed goes out on; a PeerLink unless a test says otherwise. `notices` is the
    // conversation's own way to tell the user.
    using LinkMaker = std::function<std::unique_ptr<ConversationLink>(Notifier &notices)>;

    // The main window's load: the call commands and the missed calls' line, then start().
    void attach(FrmMain &main);
    // The first spare, and listening; false when the port is taken (calls can still be placed,
    // and the user is told once).
    bool start();

    int conversationCount() const { return conversationCount_; }
    // Null at index 0, out of range, or once discarded.
    FrmConversation *conversation(int index) const;
    Conversation *at(int index) const;
    FrmConversation *spare() const { return conversation(conversationCount()); }
    PeerListener &listener() { return *listener_; }
    // Calls placed from here on may go through the call relay.
    void setRelayRoute(RelayRoute *route) { route_ = route; }
    void setLinkMaker(LinkMaker maker) { makeLink_ = std::move(maker); }

    void callFromRow(CallSource source, QTreeWidgetItem *row);
    // A link that reached this client and asked for a call (the listener's, or one a test made)
    // goes to the spare, and a new spare follows.
    void takeLink(std::unique_ptr<ConversationLink> link, CallerMark mark);
    // Where a call request's claim is checked; attach() reads the main window's lists. Without
    // one, every caller rings as not verified.
    void setSightings(SightingsLookup sightings) { sightings_ = std::move(sightings); }
    // This client's key and what it knows of the members' keys: calls to a member with a
    // published key go in TLS, and callers in TLS are verified by their key.
    PeerSecurity &security() { return security_; }
    // Every window from now on, the spare included, keeps its entries there.
    void setHistory(HistoryKeeper *history);
    void setSpelling(SpellChecker *spelling);

    // Who called while nobody answered; shown in the main window's status bar until clicked.
    const MissedCalls &missedCalls() const { return missed_; }
    QLabel *missedCallsLabel() const;
    // Tests shorten the ringing of the calls from now on.
    void setRingDeadline(int ms) { ringMs_ = ms; }

    void closeEveryConversation() override;
    // Discards the conversation at this index: its window is hidden and goes with its link.
    void killMe(int instanceToKill);

signals:
    // A new spare: every conversation starts as one.
    void spareCreated(Conversation *conversation);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createSpare();
    void callMissed(const QString &pseudo);
    void showMissedCalls();
    void takeCall(QSslSocket *socket, const QString &pseudo);
    std::unique_ptr<PeerLink> makePeerLink(Notifier &notices);
    PeerLink *ownCallOn(const QTcpSocket &socket) const;
    int ringingCount() const;

    ClientState &state_;
    Platform &platform_;
    PeerListener *listener_; // a child of this object
    QPointer<FrmMain> main_;
    // Only the conversations not discarded: an index is never given twice, but a discarded one
    // leaves nothing behind, so no run of connections makes the list grow.
    std::map<int, QPointer<Conversation>> conversations_;
    int conversationCount_ = 0;
    bool portTakenTold_ = false;
    MissedCalls missed_;
    QPointer<QLabel> missedLabel_;
    int ringMs_;
    SightingsLookup sightings_;
    PeerSecurity security_;
    HistoryKeeper *history_ = nullptr;
    SpellChecker *spelling_ = nullptr;
    RelayRoute *route_ = nullptr;
    LinkMaker makeLink_;
};

} // namespace jaserelle::client
