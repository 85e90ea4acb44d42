#include "client/server/loginreplies.h"

#include "client/platform/platform.h"
#include "client/server/enginenotices.h"
#include "client/server/frminfo.h"
#include "client/server/loginreply.h"
#include "client/server/requestport.h"
#include "client/shell/clientstate.h"
#include "client/shell/services.h"
#include "client/shell/shellnotices.h"

#include <QPointer>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

std::unique_ptr<LoginReplies> installLoginReplies(Services &services, LoginScreens screens)
{
    return std::make_unique<LoginReplies>(services, std::move(screens));
}

LoginReplies::LoginReplies(Services &services, LoginScreens screens)
    : state_(services.state), notifier_(services.platform.notifier), lifetime_(services.platform.lifetime),
      engine_(services.requests), screens_(std::move(screens))
{
    connect(&engine_, &RequestPort::replyHandled, this, &LoginReplies::loginAnswered);
    ReplyPipeline &pipeline = services.pipeline;
    pipeline.setHandler(ReplySlot::LoginOk, [this](QString &reply) { return loginAccepted(reply); });
    pipeline.setHandler(ReplySlot::LoginWrong, [this](QString &reply) { return loginRefused(reply); });
    pipeline.setHandler(ReplySlot::LogoffSuccess, [this](QString &reply) { return logoffDone(reply); });
}

LoginReplies::~LoginReplies() = default;

HandlerResult LoginReplies::loginAccepted(QString &reply)
{
    if (engine_.requestKind() != RequestKind::Login)
        return HandlerResult::Continue;
    loginReplyTaken_ = true;
    const LoginMessage message = takeLoginMessage(reply);
    screens_.hideTryToConnect();
    if (!message.hasMessage) {
        enterMainWindow();
        return HandlerResult::Continue;
    }
    state_.loginAccepted = message.permitted;
    info_ = std::make_unique<FrmInfo>();
    connect(info_.get(), &FrmInfo::acknowledged, this, &LoginReplies::messageRead, Qt::QueuedConnection);
    info_->setMessage(state_.userLogin, message.text);
    info_->show();
    info_->raise();
    info_->activateWindow();
    return HandlerResult::Continue;
}

void LoginReplies::loginAnswered(RequestKind kind)
{
    if (kind != RequestKind::Login)
        return;
    const bool taken = loginReplyTaken_;
    loginReplyTaken_ = false;
    if (taken)
        return;
    const SocketErrorOutcome failure = socketErrorOutcome(RequestKind::Login, state_.serverHost);
    if (failure.notice)
        notifier_.notify(*failure.notice);
    screens_.hideTryToConnect();
    screens_.showLoginAgain();
}

void LoginReplies::messageRead()
{
    if (!state_.loginAccepted) {
        lifetime_.endApplication();
        return;
    }
    enterMainWindow();
    // Read once, never shown again.
    info_.reset();
}

void LoginReplies::enterMainWindow()
{
    screens_.showMain();
    engine_.startRefresh();
    engine_.resumeRefresh();
}

HandlerResult LoginReplies::loginRefused(QString &)
{
    if (engine_.requestKind() != RequestKind::Login)
        return HandlerResult::Continue;
    loginReplyTaken_ = true;
    // The login window comes back once the user has read why.
    notifier_.notify(accountUnknownNotice(state_.serverHost), [self = QPointer<LoginReplies>(this)] {
        if (!self)
            return;
        self->screens_.hideTryToConnect();
        self->screens_.showLoginAgain();
    });
    return HandlerResult::Continue;
}

HandlerResult LoginReplies::logoffDone(QString &)
{
    if (engine_.requestKind() != RequestKind::Logoff)
        return HandlerResult::Continue;
    lifetime_.endApplication();
    return HandlerResult::StopPipeline;
}

} // namespace jaserelle::client
