#pragma once

#include "client/platform/platform.h"
#include "client/shell/conversationlist.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

struct ClientState;
class FrmConversation;
class FrmMain;
class PeerListener;
class QTcpSocket;
class QTreeWidgetItem;

// Which list a call was placed from: only the message for calling oneself differs.
enum class CallSource
{
    Favoris,
    ListeNoire,
    Recherche,
};

// What a click on "L'appeler" leads to: the call, or a message instead.
struct CallCheck
{
    bool call = false;
    QString title;
    QString text;
    Notifier::Icon icon = Notifier::Icon::Information;
};

CallCheck checkCall(CallSource source, const QString &pseudo, bool online, const QString &userLogin);

// Every conversation window of one client, at indices 1 to conversationCount (0 stays empty, and
// an index is never given twice); the last one is the hidden spare that takes the next
// connection. Incoming connections arrive through one listener for the whole client and go to
// the spare of the moment; a call is placed from the spare too. Either way a new spare follows.
class ConversationWindows : public QObject, public ConversationList
{
    Q_OBJECT

public:
    ConversationWindows(ClientState &state, Platform &platform, QObject *parent = nullptr);
    ~ConversationWindows() override;

    // The main window's load: the call commands and killMe, then start().
    void attach(FrmMain &main);
    // The first spare, and listening; false when the port is taken (calls can still be placed).
    bool start();

    int conversationCount() const { return static_cast<int>(windows_.size()) - 1; }
    // Null at index 0, out of range, or once discarded.
    FrmConversation *conversation(int index) const;
    FrmConversation *spare() const { return conversation(conversationCount()); }
    PeerListener &listener() { return *listener_; }

    void callFromRow(CallSource source, QTreeWidgetItem *row);

    void closeEveryConversation() override;
    void discard(int instanceToKill) override;

private:
    void createSpare();
    void takeConnection(QTcpSocket *socket);

    ClientState &state_;
    Platform &platform_;
    PeerListener *listener_; // a child of this object
    QPointer<FrmMain> main_;
    std::vector<QPointer<FrmConversation>> windows_; // index 0 never holds a window
};
