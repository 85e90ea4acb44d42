#pragma once

#include "client/conversation/conversationlink.h"
#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/peerframer.h"
#include "client/conversation/peerpackets.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "tests/support/clientfixture.h"

#include <QTcpSocket>
#include <QTreeWidget>
#include <memory>
#include <vector>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

// A link with no socket behind it, where the socket is not the point: what the conversation sends
// is kept, and the test plays the peer.
class FakeLink : public ConversationLink
{
public:
    void callMember(const QString &pseudo, const QString &) override { begin(pseudo, State::AwaitingAnswer); }
    void sendAcceptCall() override { state_ = State::InConversation; }
    void setConnectNo() override
    {
        sent << u"refused"_s;
        end();
    }
    void closeConversation() override { state_ = State::Ended; }
    bool sendMessage(const QString &rtf) override { return send(rtf); }
    bool sendSound(int index) override { return send(u"sound "_s + QString::number(index)); }
    State state() const override { return state_; }
    QString peerPseudo() const override { return pseudo_; }
    bool isEncrypted() const override { return false; }
    QByteArray peerFingerprint() const override { return {}; }

    // The peer accepts, calls, speaks, goes.
    void accept()
    {
        state_ = State::InConversation;
        emit callAccepted();
    }
    void ring(const QString &pseudo)
    {
        begin(pseudo, State::Ringing);
        emit callRequested(pseudo);
    }
    void say(const QString &rtf, int sound = -1) { emit entryReceived(rtf, sound); }
    void end()
    {
        state_ = State::Ended;
        emit finished();
    }

    QStringList sent;

private:
    void begin(const QString &pseudo, State state)
    {
        pseudo_ = pseudo;
        state_ = state;
    }
    bool send(const QString &what)
    {
        if (state_ != State::InConversation)
            return false;
        sent << what;
        return true;
    }
    State state_ = State::Idle;
    QString pseudo_;
};

// Every call placed from `windows` goes out on a FakeLink, kept in `links`.
inline void placeOnFakes(ConversationWindows &windows, std::vector<FakeLink *> &links)
{
    windows.setLinkMaker([&links](Notifier &) {
        auto link = std::make_unique<FakeLink>();
        links.push_back(link.get());
        return link;
    });
}

// One client's conversations on its own loopback address, without a main window; callers are
// checked against its favourites and black list.
struct Desk
{
    Desk(const QString &pseudo, const QString &address)
    {
        state.userLogin = pseudo;
        state.soundEnabled = true;
        state.localAddress = QHostAddress(address);
        desktop.clock.now = QTime(9, 5, 42);
        windows = std::make_unique<ConversationWindows>(state, platform);
        windows->setSightings(listSightings(&favoris, &listeNoire, nullptr));
    }
    // A row of a member list as the contact refresh leaves it.
    QTreeWidgetItem *row(const QString &pseudo, const QString &address, bool online = true,
                         QTreeWidget *list = nullptr)
    {
        auto *item = new QTreeWidgetItem(list ? list : &favoris,
                                         QStringList{pseudo, {}, {}, {}, online ? address : QString()});
        contactrow::setOnline(item, online);
        return item;
    }
    void call(const QString &pseudo, const QString &address)
    {
        windows->callFromRow(CallSource::Favoris, row(pseudo, address));
    }
    // A call placed on a FakeLink, which the peer accepts: the window is open.
    FakeLink *talk(const QString &pseudo)
    {
        placeOnFakes(*windows, links);
        call(pseudo, u"127.0.0.1"_s);
        links.back()->accept();
        return links.back();
    }
    FrmConversation *window(int index) { return windows->conversation(index); }
    // Conversations not discarded, the spare included.
    int alive() const
    {
        int count = 0;
        for (int i = 1; i <= windows->conversationCount(); ++i)
            count += windows->conversation(i) != nullptr;
        return count;
    }

    ClientState state;
    RecordingPlatform desktop;
    Platform platform = desktop.platform();
    QTreeWidget favoris, listeNoire;
    std::unique_ptr<ConversationWindows> windows;
    std::vector<FakeLink *> links;
};

// What a stranger does on the peer port: asks for a call as `pseudo` and keeps the line.
inline std::unique_ptr<QTcpSocket> callFrom(const QString &address, const QByteArray &pseudo,
                                            const QString &from = {})
{
    auto caller = std::make_unique<QTcpSocket>();
    if (!from.isEmpty())
        caller->bind(QHostAddress(from), 0);
    caller->connectToHost(QHostAddress(address), peerPort);
    caller->write(framePacket("CONVERSATIONREQUESTED:" + pseudo));
    return caller;
}

// What the socket heard until it closed, or `until` arrived.
inline QByteArray heard(QTcpSocket &socket, const QByteArray &until = {})
{
    QByteArray got;
    (void)QTest::qWaitFor([&] {
        got += socket.readAll();
        return until.isEmpty() ? socket.state() == QAbstractSocket::UnconnectedState : got.contains(until);
    });
    return got + socket.readAll();
}
