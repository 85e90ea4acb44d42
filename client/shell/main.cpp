#include "client/platform/qtplatform.h"
#include "client/shell/client.h"
#include "client/shell/exposeprobe.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
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

    ClientState state;
    state.appDir = QCoreApplication::applicationDirPath();
    QtPlatform desktop(state.appDir);
    Client client(state, desktop.platform());
    if (!client.start())
        return 0;
    return QApplication::exec();
}
