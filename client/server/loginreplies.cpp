#include "client/server/loginreplies.h"

#include "client/platform/platform.h"
#include "client/server/frminfo.h"
#include "client/server/loginreply.h"
#include "client/server/requestengine.h"
#include "client/shell/clientstate.h"

using namespace Qt::StringLiterals;

LoginReplies::LoginReplies(ClientState &state, Notifier &notifier, AppLifetime &lifetime,
                           RequestEngine &engine, LoginScreens screens)
    : state_(state), notifier_(notifier), lifetime_(lifetime), engine_(engine), screens_(std::move(screens))
{
}

LoginReplies::~LoginReplies() = default;

void LoginReplies::install(ReplyPipeline &pipeline)
{
    pipeline.setHandler(ReplySlot::LoginOk, [this](QString &reply) { return loginAccepted(reply); });
    pipeline.setHandler(ReplySlot::LoginWrong, [this](QString &reply) { return loginRefused(reply); });
    pipeline.setHandler(ReplySlot::LogoffSuccess, [this](QString &reply) { return logoffDone(reply); });
}

HandlerResult LoginReplies::loginAccepted(QString &reply)
{
    if (engine_.requestKind() != RequestKind::Login)
        return HandlerResult::Continue;
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
    engine_.refreshTimer().start();
}

HandlerResult LoginReplies::loginRefused(QString &)
{
    if (engine_.requestKind() != RequestKind::Login)
        return HandlerResult::Continue;
    notifier_.notify(u"Erreur d'authentification."_s,
                     u"Ce compte n'est pas enregistré\r\nsur "_s + state_.serverHost);
    screens_.hideTryToConnect();
    screens_.showLoginAgain();
    return HandlerResult::Continue;
}

HandlerResult LoginReplies::logoffDone(QString &)
{
    if (engine_.requestKind() != RequestKind::Logoff)
        return HandlerResult::Continue;
    lifetime_.endApplication();
    return HandlerResult::StopPipeline;
}
