#include "client/platform/qtplatform.h"
#include "client/shell/client.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Windows are hidden and shown again rather than closed: only the client decides when it ends.
    QApplication::setQuitOnLastWindowClosed(false);

    ClientState state;
    state.appDir = QCoreApplication::applicationDirPath();
    QtPlatform desktop(state.appDir);
    Client client(state, desktop.platform());
    if (!client.start())
        return 0;
    return QApplication::exec();
}
