#pragma once

#include <QObject>
#include <memory>

namespace jaserelle::client {

struct ClientState;
struct Platform;
struct Services;
class ConversationList;
class FrmAPropos;
class FrmMain;
class QuitFlow;
class RequestPort;
class SoundSetting;

// The main window's own commands: quit (menu and close box), the sound switches, the online help
// and the about box. The other menu entries belong to the subsystems that connect to them.
class ShellCommands : public QObject
{
    Q_OBJECT

public:
    ShellCommands(FrmMain &frmMain, ClientState &state, Platform &platform, RequestPort &engine,
                  ConversationList &conversations);
    ~ShellCommands() override;

    QuitFlow &quitFlow() { return *quit_; }
    FrmAPropos &frmAPropos() { return *about_; }

private:
    void openOnlineHelp();
    void showAbout();

    ClientState &state_;
    Platform &platform_;
    std::unique_ptr<QuitFlow> quit_;
    std::unique_ptr<SoundSetting> sound_;
    std::unique_ptr<FrmAPropos> about_;
};

// The main window's own commands; quitting closes the conversations first.
std::unique_ptr<ShellCommands> installShellCommands(Services &services, FrmMain &main,
                                                    ConversationList &conversations);

} // namespace jaserelle::client
