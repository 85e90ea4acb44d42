#include "client/conversation/conversationwindows.h"

#include "client/conversation/frmconversation.h"
#include "client/conversation/peerlistener.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "client/shell/frmmain.h"

#include <QTcpSocket>

using namespace Qt::StringLiterals;

CallCheck checkCall(CallSource source, const QString &pseudo, bool online, const QString &userLogin)
{
    if (pseudo == userLogin) {
        const bool favoris = source == CallSource::Favoris;
        return {false, favoris ? u"Drole d'idée..."_s : u"???"_s, u"Qu'avez-vous à vous dire ?"_s,
                favoris ? Notifier::Icon::Question : Notifier::Icon::Information};
    }
    if (!online)
        return {false, u"Attention"_s, u"Ce membre n'est pas connecté actuellement."_s,
                Notifier::Icon::Information};
    return {true, {}, {}, Notifier::Icon::Information};
}

ConversationWindows::ConversationWindows(ClientState &state, Platform &platform, QObject *parent)
    : QObject(parent), state_(state), platform_(platform), listener_(new PeerListener(state, this))
{
    windows_.emplace_back();
    connect(listener_, &PeerListener::connectionArrived, this, &ConversationWindows::takeConnection);
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
    return listener_->isListening() || listener_->listen();
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
    const CallCheck check = checkCall(source, pseudo, contactrow::isOnline(row), state_.userLogin);
    if (!check.call) {
        platform_.notifier.notify(check.title, check.text, check.icon);
        return;
    }
    FrmConversation *caller = spare();
    if (!caller)
        return;
    caller->callMember(pseudo, row->text(contactrow::Adresse));
    createSpare();
}

void ConversationWindows::takeConnection(QTcpSocket *socket)
{
    FrmConversation *callee = spare();
    if (!callee)
        return; // nobody takes the socket: the listener closes it
    callee->acceptConnection(socket);
    createSpare();
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
