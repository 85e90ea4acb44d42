#include "client/shell/shellcommands.h"

#include "client/platform/platform.h"
#include "client/server/protocolwords.h"
#include "client/shell/clientstate.h"
#include "client/shell/frmapropos.h"
#include "client/shell/frmmain.h"
#include "client/shell/quitflow.h"
#include "client/shell/services.h"
#include "client/shell/soundsetting.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

ShellCommands::ShellCommands(FrmMain &frmMain, ClientState &state, Platform &platform, RequestPort &engine,
                             ConversationList &conversations)
    : state_(state), platform_(platform), quit_(std::make_unique<QuitFlow>(state, engine, conversations)),
      sound_(std::make_unique<SoundSetting>(state, platform.notifier,
                                            [&frmMain](bool on) { frmMain.setSoundChecks(on); })),
      // The about box is made with the main window, which is when the server host is known.
      about_(std::make_unique<FrmAPropos>(state.serverHost))
{
    // Queued: the close box and the menu return first, and the confirmation then waits in the
    // event loop rather than inside their handlers.
    connect(&frmMain, &FrmMain::quitRequested, quit_.get(), &QuitFlow::run, Qt::QueuedConnection);
    connect(&frmMain, &FrmMain::soundOnRequested, this, [this] { sound_->switchOn(); });
    connect(&frmMain, &FrmMain::soundOffRequested, this, [this] { sound_->switchOff(); });
    connect(&frmMain, &FrmMain::onlineHelpRequested, this, &ShellCommands::openOnlineHelp);
    connect(&frmMain, &FrmMain::aboutRequested, this, &ShellCommands::showAbout);
}

ShellCommands::~ShellCommands() = default;

std::unique_ptr<ShellCommands> installShellCommands(Services &services, FrmMain &main,
                                                    ConversationList &conversations)
{
    return std::make_unique<ShellCommands>(main, services.state, services.platform, services.requests,
                                           conversations);
}

void ShellCommands::openOnlineHelp()
{
    // The host as configured, no scheme in front: the browser makes it a web address.
    platform_.browser.open(state_.serverHost + latin1(protocol::onlineHelpPath));
}

void ShellCommands::showAbout()
{
    about_->show();
    about_->raise();
    about_->activateWindow();
}

} // namespace jaserelle::client
