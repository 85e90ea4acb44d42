#include "client/conversation/conversationwindows.h"

#include "client/conversation/frmconversation.h"
#include "client/conversation/peerlink.h"
#include "client/conversation/peerlistener.h"
#include "client/conversation/peernotices.h"
#include "client/conversation/peerpackets.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "client/shell/frmmain.h"

#include <QTcpSocket>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

std::optional<Notice> noCallNotice(CallSource source, const QString &pseudo, bool online,
                                   const QString &userLogin)
{
    if (pseudo == userLogin) {
        const bool favoris = source == CallSource::Favoris;
        return Notice{favoris ? u"Drole d'idée..."_s : u"???"_s, u"Qu'avez-vous à vous dire ?"_s,
                      favoris ? Notice::Icon::Question : Notice::Icon::Information};
    }
    if (!online)
        return Notice{u"Attention"_s, u"Ce membre n'est pas connecté actuellement."_s};
    return std::nullopt;
}

ConversationWindows::ConversationWindows(ClientState &state, Platform &platform, QObject *parent)
    : QObject(parent), state_(state), platform_(platform), listener_(new PeerListener(state, this))
{
    windows_.emplace_back();
    connect(listener_, &PeerListener::callArrived, this, &ConversationWindows::takeCall);
}

ConversationWindows::~ConversationWindows()
{
    for (const QPointer<FrmConversation> &window : windows_)
        delete window.data();
}

void ConversationWindows::attach(FrmMain &main)
{
    main_ = &main;
    connect(&main, &FrmMain::callRequested, this, [this](QTreeWidgetItem *row) {
        if (!row || !main_)
            return;
        const QTreeWidget *list = row->treeWidget();
        const CallSource source = list == main_->lvFavoris()      ? CallSource::Favoris
                                  : list == main_->lvListeNoire() ? CallSource::ListeNoire
                                                                  : CallSource::Recherche;
        callFromRow(source, row);
    });
    start();
}

bool ConversationWindows::start()
{
    if (conversationCount() == 0)
        createSpare();
    if (listener_->isListening() || listener_->listen())
        return true;
    if (!portTakenTold_) {
        portTakenTold_ = true;
        platform_.notifier.notify(portTakenNotice());
    }
    return false;
}

FrmConversation *ConversationWindows::conversation(int index) const
{
    if (index < 1 || index >= static_cast<int>(windows_.size()))
        return nullptr;
    return windows_[static_cast<std::size_t>(index)].data();
}

void ConversationWindows::callFromRow(CallSource source, QTreeWidgetItem *row)
{
    const QString pseudo = row->text(contactrow::Pseudo);
    if (const std::optional<Notice> notice =
            noCallNotice(source, pseudo, contactrow::isOnline(row), state_.userLogin)) {
        platform_.notifier.notify(*notice);
        return;
    }
    FrmConversation *caller = spare();
    if (!caller)
        return;
    caller->callMember(pseudo, row->text(contactrow::Adresse));
    createSpare();
}

void ConversationWindows::takeCall(QTcpSocket *socket, const QString &pseudo)
{
    // A contact's address that leads back to this client: its own call is on the other end.
    // Nobody takes the socket, so the listener closes it.
    if (PeerLink *own = ownCallOn(*socket)) {
        own->reportUnreachable();
        return;
    }
    // Calling oneself from elsewhere, or too many calls ringing: the caller hears a refusal and
    // no window is built.
    if (pseudo == state_.userLogin || ringingCount() >= maxRinging) {
        socket->write(refusalPacket());
        closeWhenSent(socket);
        return;
    }
    FrmConversation *callee = spare();
    if (!callee)
        return;
    callee->acceptConnection(socket);
    createSpare();
}

PeerLink *ConversationWindows::ownCallOn(const QTcpSocket &socket) const
{
    for (const QPointer<FrmConversation> &window : windows_) {
        if (window && window->link().isCallFrom(socket.peerAddress(), socket.peerPort()))
            return &window->link();
    }
    return nullptr;
}

int ConversationWindows::ringingCount() const
{
    int ringing = 0;
    for (const QPointer<FrmConversation> &window : windows_) {
        const PeerLink::State state = window ? window->link().state() : PeerLink::State::Ended;
        if (state == PeerLink::State::Accepted || state == PeerLink::State::Ringing)
            ++ringing;
    }
    return ringing;
}

void ConversationWindows::createSpare()
{
    const int index = conversationCount() + 1;
    auto *window = new FrmConversation(index, state_, platform_);
    windows_.emplace_back(window);
    connect(window, &FrmConversation::killMeRequested, this, [this](int instance) {
        if (main_)
            main_->killMe(instance);
        else
            discard(instance);
    });
    emit spareCreated(window);
}

void ConversationWindows::closeEveryConversation()
{
    // Closing one discards it; the list does not grow meanwhile, but walk it by index anyway.
    const int last = conversationCount();
    for (int index = 1; index <= last; ++index) {
        if (FrmConversation *window = conversation(index))
            window->closeConversation();
    }
}

void ConversationWindows::discard(int instanceToKill)
{
    FrmConversation *window = conversation(instanceToKill);
    if (!window)
        return;
    window->hide();
    windows_[static_cast<std::size_t>(instanceToKill)] = nullptr;
    // The link may be in the middle of telling us it finished: the window goes once that is over.
    window->deleteLater();
}

} // namespace jaserelle::client
