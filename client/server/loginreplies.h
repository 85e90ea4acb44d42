#pragma once

#include "client/server/replypipeline.h"
#include "client/server/requestkind.h"

#include <QObject>
#include <functional>
#include <memory>

namespace jaserelle::client {

struct ClientState;
struct Services;
class AppLifetime;
class FrmInfo;
class Notifier;
class RequestPort;

// The windows the login replies move between, owned elsewhere.
struct LoginScreens
{
    std::function<void()> hideTryToConnect;
    std::function<void()> showLoginAgain; // both boxes emptied, the focus in the pseudo
    std::function<void()> showMain;
};

// The answers to the login and the logoff: the main window (after the server's message, if
// any), the login window again, or the end of the application.
//
// An answer to the login that is neither acceptance nor refusal (an error page, a server that
// is not the community's) gives the login window back with the notice of a failing server, rather
// than leaving the user before "Tentative de connection" for ever.
//
// They are only taken from the answer to their own request. A reply to anything else can carry
// text another member wrote (a mail, a profile): a keyword inside it must not log the user in
// again, show the refusal or end the application.
class LoginReplies : public QObject
{
    Q_OBJECT

public:
    // Registers the login-accepted, login-refused and logoff handlers.
    LoginReplies(Services &services, LoginScreens screens);
    ~LoginReplies() override;

    // The server's message while it is shown; null otherwise.
    FrmInfo *frmInfo() const { return info_.get(); }

private:
    HandlerResult loginAccepted(QString &reply);
    HandlerResult loginRefused(QString &reply);
    HandlerResult logoffDone(QString &reply);
    void loginAnswered(RequestKind kind);
    void messageRead();
    void enterMainWindow();

    ClientState &state_;
    Notifier &notifier_;
    AppLifetime &lifetime_;
    RequestPort &engine_;
    LoginScreens screens_;
    std::unique_ptr<FrmInfo> info_;
    bool loginReplyTaken_ = false;
};

// The login and logoff answers, registered in the reply pipeline; the screens are the root's.
std::unique_ptr<LoginReplies> installLoginReplies(Services &services, LoginScreens screens);

} // namespace jaserelle::client
