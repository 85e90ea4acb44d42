#pragma once

#include <QString>
#include <QStringList>

namespace jaserelle::client {

// Where one client finds its files. A jaserelle.ini beside the executable makes a portable copy:
// the settings are read and rewritten there and the sounds lie beside it, as they always have.
// Without one the client is installed: its settings live in the user's configuration folder,
// copied on first use from the system's default, and its sounds under share/jaserelle.
struct ClientFiles
{
    QString configDir; // the folder of the jaserelle.ini read at start and rewritten by the sound switch
    QString seedIni;   // copied into configDir when it holds no jaserelle.ini yet; empty when portable
    QString dataDir;   // the folder of sons/ and of the black-list sounds
};

// `systemInis` in order of preference; the first that exists seeds the user's file.
ClientFiles locateClientFiles(const QString &exeDir, const QString &userConfigDir,
                              const QStringList &systemInis);

// The same with the desktop's own folders: $XDG_CONFIG_HOME/jaserelle, then /etc/jaserelle and
// the installed share/jaserelle for the default.
ClientFiles locateClientFiles(const QString &exeDir);

} // namespace jaserelle::client
