#include "client/conversation/conversationwindows.h"

#include "client/conversation/conversation.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/peerlink.h"
#include "client/conversation/peerlistener.h"
#include "client/conversation/peernotices.h"
#include "client/conversation/peerpackets.h"
#include "client/security/peerkeyverdict.h"
#include "client/security/peertls.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "client/shell/frmmain.h"

#include <QEvent>
#include <QLabel>
#include <QSslSocket>
#include <QStatusBar>
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
    : QObject(parent), state_(state), platform_(platform), listener_(new PeerListener(state, this)),
      ringMs_(PeerLink::ringDeadlineMs),
      makeLink_([this](Notifier &notices) { return makePeerLink(notices); })
{
    listener_->setSecurity(&security_);
    connect(listener_, &PeerListener::callArrived, this, &ConversationWindows::takeCall);
}

ConversationWindows::~ConversationWindows()
{
    // A conversation going may still ask to be discarded: the list is out of reach by then.
    const std::map<int, QPointer<Conversation>> conversations = std::move(conversations_);
    conversations_.clear();
    for (const auto &[index, conversation] : conversations)
        delete conversation.data();
}

void ConversationWindows::attach(FrmMain &main)
{
    main_ = &main;
    setSightings(listSightings(main.lvFavoris(), main.lvListeNoire(), main.lvRecherche()));
    // Out of the way, beside the engine's status text, and only while there is something to see.
    missedLabel_ = new QLabel(&main);
    missedLabel_->setObjectName(u"lblAppelsManques"_s);
    missedLabel_->hide();
    missedLabel_->installEventFilter(this);
    main.statusBar()->addPermanentWidget(missedLabel_);
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

Conversation *ConversationWindows::at(int index) const
{
    const auto found = conversations_.find(index);
    return found == conversations_.end() ? nullptr : found->second.data();
}

FrmConversation *ConversationWindows::conversation(int index) const
{
    Conversation *found = at(index);
    return found ? &found->window() : nullptr;
}

void ConversationWindows::callFromRow(CallSource source, QTreeWidgetItem *row)
{
    const QString pseudo = row->text(contactrow::Pseudo);
    if (const std::optional<Notice> notice =
            noCallNotice(source, pseudo, contactrow::isOnline(row), state_.userLogin)) {
        platform_.notifier.notify(*notice);
        return;
    }
    Conversation *caller = at(conversationCount());
    if (!caller)
        return;
    caller->callMember(makeLink_(caller->notices()), pseudo, row->text(contactrow::Adresse));
    createSpare();
}

void ConversationWindows::takeCall(QSslSocket *socket, const QString &pseudo)
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
    // The pseudo is only what the caller says. A member of the black list is refused as if the
    // user had said no; a claim the server's reports do not back still rings, but marked, so
    // nobody rings under a name that is not theirs (the server may know a caller by another
    // address, or not be reachable at all: refusing those would refuse honest callers).
    const CallerVerdict verdict =
        judgeCaller(pseudo, socket->peerAddress().toString(),
                    sightings_ ? sightings_(pseudo) : std::vector<MemberSighting>{});
    if (verdict == CallerVerdict::Refused) {
        socket->write(refusalPacket());
        closeWhenSent(socket);
        return;
    }
    // An encrypted caller is also judged by its key: the directory's key proves the pseudo
    // wherever the call comes from, another key disproves it, and a key other than the one seen
    // before is shown.
    CallerMark mark = verdict == CallerVerdict::Verified ? CallerMark::Verified : CallerMark::Unverified;
    QByteArray firstSeen;
    if (socket->isEncrypted()) {
        const QByteArray presented = peerFingerprint(*socket);
        switch (judgeKey(presented, security_.publishedFor(pseudo), security_.known.seen(pseudo))) {
        case KeyVerdict::Trusted:
            mark = CallerMark::Verified;
            break;
        case KeyVerdict::FirstSeen:
            firstSeen = presented;
            break;
        case KeyVerdict::Changed:
            mark = CallerMark::KeyChanged;
            break;
        case KeyVerdict::Contradicted:
            mark = CallerMark::Unverified;
            break;
        }
        // A key nobody vouches for is kept only when the address proved the pseudo: a spoofer
        // in TLS must not plant its key under the name of a member not met yet.
        if (!firstSeen.isEmpty() && verdict == CallerVerdict::Verified)
            security_.known.remember(pseudo, firstSeen);
    }
    Conversation *callee = at(conversationCount());
    if (!callee)
        return;
    std::unique_ptr<PeerLink> link = makePeerLink(callee->notices());
    link->acceptConnection(socket);
    takeLink(std::move(link), mark);
}

void ConversationWindows::takeLink(std::unique_ptr<ConversationLink> link, CallerMark mark)
{
    Conversation *callee = at(conversationCount());
    if (!callee)
        return;
    callee->answer(std::move(link), mark);
    createSpare();
}

std::unique_ptr<PeerLink> ConversationWindows::makePeerLink(Notifier &notices)
{
    auto link = std::make_unique<PeerLink>(state_, notices, platform_.sound);
    link->setSecurity(&security_);
    link->setRelayRoute(route_);
    link->setRingDeadline(ringMs_);
    return link;
}

PeerLink *ConversationWindows::ownCallOn(const QTcpSocket &socket) const
{
    // Only a link on a socket of this client can be the other end of one.
    for (const auto &[index, conversation] : conversations_) {
        auto *link = conversation ? qobject_cast<PeerLink *>(conversation->link()) : nullptr;
        if (link && link->isCallFrom(socket.peerAddress(), socket.peerPort()))
            return link;
    }
    return nullptr;
}

int ConversationWindows::ringingCount() const
{
    int ringing = 0;
    for (const auto &[index, conversation] : conversations_) {
        const ConversationLink *link = conversation ? conversation->link() : nullptr;
        const ConversationLink::State state = link ? link->state() : ConversationLink::State::Ended;
        if (state == ConversationLink::State::Accepted || state == ConversationLink::State::Ringing)
            ++ringing;
    }
    return ringing;
}

void ConversationWindows::createSpare()
{
    const int index = ++conversationCount_;
    auto *conversation = new Conversation(index, state_, platform_, &security_);
    conversation->window().setHistory(history_);
    conversation->window().setSpelling(spelling_);
    conversations_.emplace(index, conversation);
    connect(conversation, &Conversation::callMissed, this, &ConversationWindows::callMissed);
    connect(conversation, &Conversation::killMeRequested, this, &ConversationWindows::killMe);
    emit spareCreated(conversation);
}

void ConversationWindows::setHistory(HistoryKeeper *history)
{
    history_ = history;
    for (const auto &[index, conversation] : conversations_) {
        if (conversation)
            conversation->window().setHistory(history);
    }
}

void ConversationWindows::setSpelling(SpellChecker *spelling)
{
    spelling_ = spelling;
    for (const auto &[index, conversation] : conversations_) {
        if (conversation)
            conversation->window().setSpelling(spelling);
    }
}

void ConversationWindows::callMissed(const QString &pseudo)
{
    missed_.add(pseudo, platform_.clock.currentTime());
    showMissedCalls();
}

QLabel *ConversationWindows::missedCallsLabel() const
{
    return missedLabel_;
}

void ConversationWindows::showMissedCalls()
{
    if (!missedLabel_)
        return;
    missedLabel_->setText(missed_.summary());
    missedLabel_->setToolTip(missed_.fullList());
    missedLabel_->setVisible(!missed_.isEmpty());
}

bool ConversationWindows::eventFilter(QObject *watched, QEvent *event)
{
    // A click on the line says the user has seen who called. The event's type comes first: the
    // label still sends events while it is being destroyed, when it is no QLabel any more.
    if (event->type() == QEvent::MouseButtonRelease && watched == missedLabel_) {
        missed_.clear();
        showMissedCalls();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ConversationWindows::closeEveryConversation()
{
    // Closing one discards it; the list does not grow meanwhile, but walk it by index anyway.
    const int last = conversationCount();
    for (int index = 1; index <= last; ++index) {
        if (Conversation *conversation = at(index))
            conversation->closeConversation();
    }
}

void ConversationWindows::killMe(int instanceToKill)
{
    const auto found = conversations_.find(instanceToKill);
    if (found == conversations_.end())
        return;
    QPointer<Conversation> conversation = found->second;
    conversations_.erase(found);
    if (!conversation)
        return;
    conversation->window().hide();
    // The link may be in the middle of telling us it finished: it goes once that is over.
    conversation->deleteLater();
}

} // namespace jaserelle::client
