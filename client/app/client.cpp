#include "client/app/client.h"

#include "client/assets/artwork.h"
#include "client/contacts/contactface.h"
#include "client/contacts/installcontacts.h"
#include "client/conversation/conversationwindows.h"
#include "client/conversation/installconversations.h"
#include "client/conversation/peerlistener.h"
#include "client/directory/installdirectory.h"
#include "client/history/installhistory.h"
#include "client/mail/installmail.h"
#include "client/mail/maildesk.h"
#include "client/network/reachability.h"
#include "client/network/relayservice.h"
#include "client/server/loginreplies.h"
#include "client/server/requestengine.h"
#include "client/shell/frmlogin.h"
#include "client/shell/frmmain.h"
#include "client/shell/frmtrytoconnect.h"
#include "client/shell/logininput.h"
#include "client/shell/rowselection.h"
#include "client/shell/shellcommands.h"
#include "client/shell/shellnotices.h"
#include "client/shell/startup.h"
#include "client/spelling/spellchecker.h"

#include <QDir>
#include <QStandardPaths>

#include <QPointer>
#include <QSslSocket>

#include <QTcpSocket>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

Client::Client(ClientState initial, Platform platform, QObject *parent)
    : QObject(parent), state_(std::move(initial)), ending_(platform.lifetime,
                                                           [this] {
                                                               if (main_)
                                                                   main_->setCloseAllowed(true);
                                                           }),
      platform_{platform.notifier, platform.sound, platform.browser,
                platform.instance, ending_,        platform.clock},
      engine_(std::make_unique<RequestEngine>(state_, platform_.notifier, platform_.lifetime, pipeline_)),
      services_{state_, platform_, *engine_, pipeline_, engine_->sources()}
{
    initArtwork();
    reachability_ = std::make_unique<Reachability>();
    connect(engine_.get(), &RequestEngine::startFailed, this, [this](RequestKind kind) {
        if (kind == RequestKind::Login)
            loginCouldNotStart();
    });

    LoginScreens screens;
    screens.hideTryToConnect = [this] {
        if (tryToConnect_)
            tryToConnect_->hide();
    };
    screens.showLoginAgain = [this] { frmLogin().showEmpty(); };
    screens.showMain = [this] {
        FrmMain &main = frmMain();
        main.show();
        main.raise();
        main.activateWindow();
    };
    loginReplies_ = installLoginReplies(services_, std::move(screens));
}

Client::~Client() = default;

bool Client::start()
{
    const StartupOutcome outcome = loadStartupSettings(state_, platform_);
    if (!outcome.proceed)
        return false;
    frmMain().setSoundMenu(outcome.hasSoundDevice, state_.soundEnabled);
    frmLogin().show();
    return true;
}

FrmLogin &Client::frmLogin()
{
    if (!login_) {
        login_ = std::make_unique<FrmLogin>();
        connect(login_.get(), &FrmLogin::connectRequested, this, &Client::submitLogin);
        connect(login_.get(), &FrmLogin::quitRequested, this,
                [this] { platform_.lifetime.endApplication(); });
        connect(login_.get(), &FrmLogin::newMemberRequested, this, &Client::newMember);
    }
    return *login_;
}

FrmMain &Client::frmMain()
{
    if (!main_)
        loadMainWindow();
    return *main_;
}

ShellCommands &Client::shellCommands()
{
    frmMain();
    return *commands_;
}

// The main window's load: the window itself lays its controls out; the start values of the
// state it shares and the windows that come with it are set here.
void Client::loadMainWindow()
{
    main_ = std::make_unique<FrmMain>();
    connect(engine_.get(), &RequestEngine::statusTextChanged, main_.get(), &FrmMain::setStatusText);
    services_.sources.selectedPseudo = [this] { return main_->rowSelection().selectedPseudo(); };
    state_.firstRefresh = true;
    state_.quitConfirmed = false;
    conversations_ = installConversations(services_, *main_);
    const QString dataDir = state_.dataDir.isEmpty()
                                ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                                : state_.dataDir;
    history_ = installHistory(services_, *main_, *conversations_, dataDir);
    spelling_ = std::make_unique<SpellChecker>(SpellChecker::systemDictionary(),
                                               QDir(dataDir).filePath(u"dictionnaire-personnel.txt"_s));
    conversations_->setSpelling(spelling_.get());
    commands_ = installShellCommands(services_, *main_, *conversations_);
    faces_ = std::make_unique<const contactface::Faces>();
    contacts_ = installContacts(services_, *main_, *faces_);
    directory_ = installDirectory(services_, *main_, *faces_);
    mail_ = installMail(services_, *main_);
    mail_->setSpelling(spelling_.get());
    // Calls that no router lets in come through the relay, to the same listener.
    relay_ = std::make_unique<RelayService>(state_, *reachability_);
    relay_->followLoginOf(main_.get());
    conversations_->setRelayRoute(relay_.get());
    connect(relay_.get(), &RelayService::incomingConnection, &conversations_->listener(), &PeerListener::adopt);
}

RelayService &Client::relay()
{
    frmMain();
    return *relay_;
}

ConversationWindows &Client::conversations()
{
    frmMain();
    return *conversations_;
}

ContactEditor &Client::contactEditor()
{
    frmMain();
    return *contacts_;
}

HistoryDesk &Client::historyDesk()
{
    frmMain();
    return *history_;
}

MailDesk &Client::mailDesk()
{
    frmMain();
    return *mail_;
}

FrmTryToConnect &Client::frmTryToConnect()
{
    if (!tryToConnect_) {
        tryToConnect_ = std::make_unique<FrmTryToConnect>(state_.serverHost);
        connect(tryToConnect_.get(), &FrmTryToConnect::cancelChosen, this, &Client::cancelLogin);
    }
    return *tryToConnect_;
}

void Client::submitLogin()
{
    FrmLogin &login = frmLogin();
    const LoginInput input = cleanLoginInput(login.pseudoText(), login.passwordText());
    login.setTexts(input.pseudo, input.password);
    switch (input.verdict) {
    case LoginInput::Verdict::NotAlphanumeric:
        // The boxes are emptied once the user has read why.
        platform_.notifier.notify(loginNotAlphanumericNotice(), [typed = QPointer<FrmLogin>(&login)] {
            if (typed)
                typed->setTexts({}, {});
        });
        return;
    case LoginInput::Verdict::Empty:
        return;
    case LoginInput::Verdict::Accepted:
        break;
    }
    state_.userLogin = input.login();
    state_.userPassword = input.loginPassword();
    login.hide();
    frmTryToConnect().show();
    engine_->start(RequestKind::Login);
}

void Client::loginCouldNotStart()
{
    // Nothing will answer this login: give the user the login window back rather than leave
    // the waiting notice up for ever.
    if (tryToConnect_)
        tryToConnect_->hide();
    frmLogin().show();
}

void Client::cancelLogin()
{
    // Only while the login is still out: once answered, its reply decides.
    if (engine_->requestKind() == RequestKind::Login && engine_->state() != RequestEngine::State::Idle)
        engine_->cancel();
    tryToConnect_->hide();
    frmLogin().show();
}

void Client::newMember()
{
    platform_.notifier.notify(signUpNotice(state_.serverHost));
    platform_.browser.open(state_.serverHost);
}

} // namespace jaserelle::client
