#include "client/conversation/conversation.h"

#include "client/conversation/frmconversation.h"
#include "client/conversation/peersecurity.h"
#include "client/shell/clientstate.h"

namespace jaserelle::client {

Conversation::Conversation(int instanceIndex, ClientState &state, Platform &platform, PeerSecurity *security,
                           QObject *parent)
    : QObject(parent), state_(state), instanceIndex_(instanceIndex), security_(security),
      notices_(platform.notifier,
               [this](const Notice &notice) {
                   if (open_) // a call that never opened has no transcript to keep
                       window_->recordNotice(notice);
               }),
      window_(std::make_unique<FrmConversation>(*this, state, platform))
{
}

Conversation::~Conversation()
{
    // The window shows the link: it goes first.
    window_.reset();
}

void Conversation::callMember(std::unique_ptr<ConversationLink> link, const QString &pseudo,
                              const QString &ipAdress)
{
    if (link_ || !link)
        return;
    window_->showPast(pseudo);
    attach(std::move(link));
    link_->callMember(pseudo, ipAdress);
}

void Conversation::answer(std::unique_ptr<ConversationLink> link, CallerMark mark)
{
    if (link_ || !link)
        return;
    mark_ = mark;
    attach(std::move(link));
}

void Conversation::attach(std::unique_ptr<ConversationLink> link)
{
    link_ = std::move(link);
    ConversationLink *l = link_.get();
    connect(l, &ConversationLink::callAccepted, this, &Conversation::open);
    connect(l, &ConversationLink::callRequested, this, &Conversation::ring);
    connect(l, &ConversationLink::entryReceived, this, [this](const QString &rtf, int sound) {
        window_->showReceived(rtf, sound);
        emit entryReceived(rtf);
    });
    connect(l, &ConversationLink::callMissed, this, &Conversation::callMissed);
    connect(l, &ConversationLink::finished, this, &Conversation::onFinished);
}

void Conversation::ring(const QString &pseudo)
{
    // A contact's address that leads back to this machine makes the client call itself: it
    // refuses that call rather than ring for its own user.
    if (pseudo == state_.userLogin) {
        link_->setConnectNo();
        return;
    }
    window_->ring(pseudo);
}

void Conversation::open()
{
    open_ = true;
    window_->openConversation();
}

void Conversation::onFinished()
{
    // A call that ends before it is answered takes its notification with it: its buttons would
    // act on a conversation that is gone.
    window_->withdrawCall();
    // An open conversation stays on the screen with what was said; the user closes it.
    if (open_ && !killed_) {
        window_->endReadOnly();
        return;
    }
    emit killMeRequested(instanceIndex_);
}

QString Conversation::peerPseudo() const
{
    return link_ ? link_->peerPseudo() : QString();
}

QString Conversation::shownPeer() const
{
    return markedName(peerPseudo(), mark_);
}

bool Conversation::isRinging() const
{
    return link_ && link_->state() == ConversationLink::State::Ringing;
}

void Conversation::sendAcceptCall()
{
    if (!isRinging())
        return;
    // The user answered a call marked "clé changée": the new key is the one seen from now on.
    if (mark_ == CallerMark::KeyChanged && security_)
        security_->known.remember(link_->peerPseudo(), link_->peerFingerprint());
    link_->sendAcceptCall();
    open();
}

void Conversation::setConnectNo()
{
    if (isRinging())
        link_->setConnectNo(); // finished() follows once the refusal has left
}

void Conversation::closeConversation()
{
    if (killed_)
        return;
    killed_ = true;
    window_->withdrawCall();
    if (link_)
        link_->closeConversation();
    window_->stopTimers();
    emit killMeRequested(instanceIndex_);
}

bool Conversation::sendMessage(const QString &rtf)
{
    return link_ && link_->sendMessage(rtf);
}

bool Conversation::sendSound(int index)
{
    return link_ && link_->sendSound(index);
}

} // namespace jaserelle::client
