#pragma once

#include "client/conversation/membersightings.h"
#include "client/conversation/missedcalls.h"
#include "client/conversation/peersecurity.h"
#include "client/platform/platform.h"
#include "client/shell/conversationlist.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <map>
#include <optional>

class QSslSocket;
class QLabel;
class QTcpSocket;
class QTreeWidgetItem;

namespace jaserelle::client {

struct ClientState;
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

// Every conversation window of one client, at indices 1 to conversationCount (0 stays empty, and
// an index is never given twice); the last one is the hidden spare that takes the next call.
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

    // The main window's load: the call commands and killMe, then start().
    void attach(FrmMain &main);
    // The first spare, and listening; false when the port is taken (calls can still be placed,
    // and the user is told once).
    bool start();

    int conversationCount() const { return conversationCount_; }
    // Null at index 0, out of range, or once discarded.
    FrmConversation *conversation(int index) const;
    FrmConversation *spare() const { return conversation(conversationCount()); }
    PeerListener &listener() { return *listener_; }
    // Calls placed from here on may go through the call relay.
    void setRelayRoute(RelayRoute *route);

    void callFromRow(CallSource source, QTreeWidgetItem *row);
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
    // Tests shorten the ringing of the windows made from now on.
    void setRingDeadline(int ms) { ringMs_ = ms; }

    void closeEveryConversation() override;
    void discard(int instanceToKill) override;

signals:
    // A new spare: every conversation window starts as one.
    void spareCreated(FrmConversation *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createSpare();
    void callMissed(const QString &pseudo);
    void showMissedCalls();
    void takeCall(QSslSocket *socket, const QString &pseudo);
    PeerLink *ownCallOn(const QTcpSocket &socket) const;
    int ringingCount() const;

    ClientState &state_;
    Platform &platform_;
    PeerListener *listener_; // a child of this object
    QPointer<FrmMain> main_;
    // Only the windows not discarded: an index is never given twice, but a discarded window
    // leaves nothing behind, so no run of connections makes the list grow.
    std::map<int, QPointer<FrmConversation>> windows_;
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
};

} // namespace jaserelle::client
