#include "client/app/client.h"
#include "client/network/networkdoor.h"
#include "client/network/reachability.h"
#include "client/platform/qtplatform.h"
#include "client/platform/terminationsignal.h"
#include "client/shell/commandline.h"
#include "client/shell/exposeprobe.h"
#include "client/shell/frmmain.h"
#include "client/shell/installlayout.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace jaserelle::client;

int main(int argc, char *argv[])
{
    if (const auto answered = answerCommandLine(argc, argv))
        return *answered;
    QApplication app(argc, argv);
    installExposeProbe();
    // Qt's own dialogs and menus (file and colour choosers, the text boxes' context menu) speak the
    // language of the rest of the client. Without the translation files they stay in English.
    QTranslator qtFrench;
    if (qtFrench.load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtFrench);
    // Windows are hidden and shown again rather than closed: only the client decides when it ends.
    QApplication::setQuitOnLastWindowClosed(false);
    // Lets the desktop match the windows with the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.jaserelle.Jaserelle"));

    const ClientFiles files = locateClientFiles(QCoreApplication::applicationDirPath());
    ClientState state;
    state.appDir = files.configDir;
    state.seedIni = files.seedIni;
    QtPlatform desktop(files.dataDir);
    Client client(state, desktop.platform());
    // The router's forward of the peer port, from start-up (calls are answered before login) to
    // the end, however the end comes: quit, logoff or a termination signal.
    const auto door = openNetworkDoor(client.state(), client.reachability());
    quitOnTerminationSignals();
    // A client that cannot start says why in a box: the application ends once it is read.
    if (!client.start())
        return QApplication::exec();
    // Boxes hold up the main window only, once it is up: calls can still be answered.
    desktop.notifier.setOwner(&client.frmMain());
    door->watch(&client.frmMain());
    return QApplication::exec();
}
