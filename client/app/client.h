#pragma once

#include "client/platform/platform.h"
#include "client/server/replypipeline.h"
#include "client/shell/clientstate.h"
#include "client/shell/conversationlist.h"
#include "client/shell/endofapplication.h"
#include "client/shell/services.h"

#include <QObject>
#include <memory>

namespace jaserelle::client {

class ContactEditor;
class RelayService;
class Reachability;
class ConversationWindows;
class HistoryDesk;
class SpellChecker;
class MailDesk;
class MemberDirectory;
class RequestEngine;
class FrmLogin;
class FrmMain;
class FrmTryToConnect;
class LoginReplies;
class MainTray;
class MessageNotifier;
class PasswordStore;
class SignInMemory;
class UnreadMessages;
class TrayHost;
class ShellCommands;

namespace contactface {
class Faces;
}

// The composition root of one running client: owns the shared state, the request engine, the
// reply pipeline and the windows, and wires them together; the only code that knows every
// subsystem. Each subsystem is installed the same way, from the services bundle (and the main
// window, once it is made), and never sees the client. Nothing here is global, so tests can run
// two clients side by side.
class Client : public QObject
{
    Q_OBJECT

public:
    Client(ClientState initial, Platform platform, QObject *parent = nullptr);
    ~Client() override;

    // The login window's load: returns false when the application has to end at once.
    bool start();

    ClientState &state() { return state_; }
    Platform &platform() { return platform_; }
    ReplyPipeline &pipeline() { return pipeline_; }
    RequestEngine &engine() { return *engine_; }
    FrmLogin &frmLogin();
    FrmMain &frmMain(); // created, hidden, on first use
    FrmTryToConnect &frmTryToConnect();
    LoginReplies &loginReplies() { return *loginReplies_; }
    ShellCommands &shellCommands();       // the main window's own commands, made with it
    ConversationWindows &conversations(); // made with the main window
    ContactEditor &contactEditor();       // adding, moving and removing contacts, made with the main window
    MailDesk &mailDesk();                 // writing, reading and deleting mails, made with the main window
    HistoryDesk &historyDesk();
    Reachability &reachability() { return *reachability_; } // whether other members can call in directly
    RelayService &relay();                                  // the call relay, made with the main window
    MainTray &tray(); // the notification-area icon, made with the main window
    // The desktop's tray, replaced before the main window is made (tests); Qt's by default.
    void setTrayHost(std::unique_ptr<TrayHost> host);
    // Messages that arrived where the user was not looking, made with the main window.
    UnreadMessages &unreadMessages();
    // The desktop's message notifications, replaced before the main window is made (tests).
    void setMessageNotifier(std::unique_ptr<MessageNotifier> notifier);
    // Where remembered passwords go, replaced before start() (tests); the desktop's keyring by default.
    void setPasswordStore(std::unique_ptr<PasswordStore> store);

private:
    void submitLogin();
    void newMember();
    void loginCouldNotStart();
    // "Annuler" on the waiting notice: the login is dropped and the login window is back.
    void cancelLogin();
    void loadMainWindow();
    void openFromTray();
    void rememberPseudo();
    void useServer(const QString &host);
    SignInMemory &signInMemory();

    ClientState state_;
    // Every way out of the application goes through here, so the main window knows when a close
    // request is the real end rather than a question for the user.
    EndOfApplication ending_;
    Platform platform_;
    ReplyPipeline pipeline_;
    std::unique_ptr<RequestEngine> engine_;
    Services services_;
    std::unique_ptr<LoginReplies> loginReplies_;
    // Drawn once with the main window, for every member list of this client.
    std::unique_ptr<const contactface::Faces> faces_;
    // The subsystems made with the main window; they outlive it, as the windows they opened may.
    // Before the conversations: their windows write to it until they go.
    std::unique_ptr<HistoryDesk> history_;
    std::unique_ptr<SpellChecker> spelling_;
    std::unique_ptr<ConversationWindows> conversations_;
    std::unique_ptr<ContactEditor> contacts_;
    std::unique_ptr<MemberDirectory> directory_;
    std::unique_ptr<MailDesk> mail_;
    std::unique_ptr<Reachability> reachability_;
    std::unique_ptr<RelayService> relay_;
    std::unique_ptr<TrayHost> trayHost_; // outlives the icon shown in it
    std::unique_ptr<FrmMain> main_;
    std::unique_ptr<MainTray> tray_; // goes before the main window it hides and shows
    std::unique_ptr<MessageNotifier> messageNotifier_;
    std::unique_ptr<UnreadMessages> unread_; // counts into the tray
    std::unique_ptr<ShellCommands> commands_;
    std::unique_ptr<FrmLogin> login_;
    std::unique_ptr<FrmTryToConnect> tryToConnect_;
    std::unique_ptr<SignInMemory> signIn_;
    std::unique_ptr<PasswordStore> passwords_; // goes first: its answers stop with it
};

} // namespace jaserelle::client
