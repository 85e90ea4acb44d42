#include "client/app/client.h"

#include "client/assets/artwork.h"
#include "client/contacts/contactface.h"
#include "client/contacts/installcontacts.h"
#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/installconversations.h"
#include "client/conversation/messagenotifier.h"
#include "client/conversation/peerlistener.h"
#include "client/conversation/unreadmessages.h"
#include "client/directory/installdirectory.h"
#include "client/history/installhistory.h"
#include "client/mail/installmail.h"
#include "client/mail/maildesk.h"
#include "client/network/reachability.h"
#include "client/network/relayservice.h"
#include "client/security/passwordstore.h"
#include "client/server/loginreplies.h"
#include "client/server/requestengine.h"
#include "client/shell/frmlogin.h"
#include "client/shell/frmmain.h"
#include "client/shell/frmtrytoconnect.h"
#include "client/shell/logininput.h"
#include "client/shell/preferencesfile.h"
#include "client/shell/serverchoice.h"
#include "client/shell/sessionoptions.h"
#include "client/shell/shellcommands.h"
#include "client/shell/shellnotices.h"
#include "client/shell/signinmemory.h"
#include "client/shell/soundsetting.h"
#include "client/shell/startup.h"
#include "client/spelling/spellchecker.h"
#include "client/tray/installtray.h"
#include "client/tray/trayhost.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QSslSocket>
#include <QStandardPaths>
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
      services_{state_, platform_, *engine_, pipeline_}
{
    initArtwork();
    reachability_ = std::make_unique<Reachability>();
    connect(engine_.get(), &RequestEngine::startFailed, this, [this](RequestKind kind) {
        if (kind == RequestKind::Login)
            loginCouldNotStart();
    });
    // A server that cannot be reached, or not safely: the notice, then the login window again.
    connect(engine_.get(), &RequestEngine::requestFailed, this, [this](RequestKind kind) {
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
        rememberPseudo();
        signInMemory().accepted(frmLogin().rememberPassword());
        FrmMain &main = frmMain();
        tray_->setSignedIn();
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
    const QString lastPseudo = loadPreferences(state_.appDir).lastPseudo;
    frmLogin().offerPseudo(lastPseudo);
    frmLogin().setServerText(state_.serverHost);
    signInMemory().offer(frmLogin(), lastPseudo, [this] { submitLogin(); });
    return true;
}

SignInMemory &Client::signInMemory()
{
    if (!passwords_)
        passwords_ = makeKeyringPasswordStore();
    if (!signIn_)
        signIn_ = std::make_unique<SignInMemory>(state_, platform_.notifier, *passwords_);
    return *signIn_;
}

void Client::setPasswordStore(std::unique_ptr<PasswordStore> store)
{
    if (!signIn_) // the one in use stays until the end
        passwords_ = std::move(store);
}

// The login window named another server: it is the one from now on, and at the next start.
void Client::useServer(const QString &host)
{
    state_.serverHost = host;
    if (tryToConnect_ && !tryToConnect_->isVisible())
        tryToConnect_.reset(); // it names the server it waits for
    if (rewriteConfigFile(state_.appDir, host, state_.soundEnabled) == ConfigWrite::Failed)
        platform_.notifier.notify(preferencesNotSavedNotice());
}

// The next start offers the pseudo that was accepted, never one the server refused.
void Client::rememberPseudo()
{
    Preferences preferences = loadPreferences(state_.appDir);
    if (preferences.lastPseudo == state_.userLogin)
        return;
    preferences.lastPseudo = state_.userLogin;
    savePreferences(state_.appDir, preferences); // a convenience: nothing to tell when it fails
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
    connect(relay_.get(), &RelayService::incomingConnection, &conversations_->listener(),
            &PeerListener::adopt);
    conversations_->listener().setReachability(reachability_.get());
    if (!trayHost_)
        trayHost_ = makeQtTrayHost();
    tray_ = installTray(services_, *main_, *trayHost_, [this] { openFromTray(); });
    if (!messageNotifier_)
        messageNotifier_ = makeDesktopMessageNotifier();
    unread_ = std::make_unique<UnreadMessages>(*conversations_, *messageNotifier_);
    connect(unread_.get(), &UnreadMessages::countChanged, tray_.get(), &MainTray::setUnreadMessages);
    installStartWithSessionOption(*main_, platform_.notifier, QCoreApplication::applicationFilePath());
}

UnreadMessages &Client::unreadMessages()
{
    frmMain();
    return *unread_;
}

void Client::setMessageNotifier(std::unique_ptr<MessageNotifier> notifier)
{
    if (!main_) // the windows already watched keep the one they have
        messageNotifier_ = std::move(notifier);
}

MainTray &Client::tray()
{
    frmMain();
    return *tray_;
}

void Client::setTrayHost(std::unique_ptr<TrayHost> host)
{
    if (!main_) // the icon already shown stays where it is
        trayHost_ = std::move(host);
}

// The conversation with messages waiting, else the main window once signed in; before that the
// login window, unless a login is on its way.
void Client::openFromTray()
{
    QWidget *window = nullptr;
    if (FrmConversation *waiting = unread_ ? unread_->firstWaiting() : nullptr)
        window = waiting;
    else if (tray_->signedIn())
        window = &frmMain();
    else if (!tryToConnect_ || !tryToConnect_->isVisible())
        window = &frmLogin();
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
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
    const ServerChoice server = chooseServer(login.serverText(), state_.serverHost);
    if (server.verdict == ServerChoice::Verdict::Invalid) {
        platform_.notifier.notify(invalidServerNotice(login.serverText()));
        login.setServerText(state_.serverHost);
        return;
    }
    if (server.verdict == ServerChoice::Verdict::Changed)
        useServer(server.host);
    login.setServerText(state_.serverHost);
    state_.userLogin = input.login();
    state_.userPassword = input.loginPassword();
    login.hide();
    frmTryToConnect().show();
    engine_->start({RequestKind::Login});
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
