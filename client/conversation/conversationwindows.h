#pragma once

#include "client/platform/platform.h"
#include "client/shell/conversationlist.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>
#include <vector>

class QTcpSocket;
class QTreeWidgetItem;

namespace jaserelle::client {

struct ClientState;
class FrmConversation;
class FrmMain;
class PeerLink;
class PeerListener;

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

    int conversationCount() const { return static_cast<int>(windows_.size()) - 1; }
    // Null at index 0, out of range, or once discarded.
    FrmConversation *conversation(int index) const;
    FrmConversation *spare() const { return conversation(conversationCount()); }
    PeerListener &listener() { return *listener_; }

    void callFromRow(CallSource source, QTreeWidgetItem *row);

    void closeEveryConversation() override;
    void discard(int instanceToKill) override;

signals:
    // A new spare: every conversation window starts as one.
    void spareCreated(FrmConversation *window);

private:
    void createSpare();
    void takeCall(QTcpSocket *socket, const QString &pseudo);
    PeerLink *ownCallOn(const QTcpSocket &socket) const;
    int ringingCount() const;

    ClientState &state_;
    Platform &platform_;
    PeerListener *listener_; // a child of this object
    QPointer<FrmMain> main_;
    std::vector<QPointer<FrmConversation>> windows_; // index 0 never holds a window
    bool portTakenTold_ = false;
};

} // namespace jaserelle::client
