#pragma once

#include <QHostAddress>
#include <QString>

namespace jaserelle::client {

// The state several windows share for one running client. One instance per client, owned by the
// composition root and handed to whoever needs it: two clients can live in one process.
struct ClientState
{
    // The folder of jaserelle.ini: beside the executable, or the user's configuration folder once
    // installed (the sounds' folder is the sound player's business).
    QString appDir;
    // The user's data folder (the conversation history); empty: the desktop's usual one.
    QString dataDir;
    QString seedIni;    // the system's default, copied to appDir when it has no jaserelle.ini yet
    QString serverHost; // as configured, possibly with ":port"
    QString userLogin;  // lower case, letters and digits
    QString userPassword;
    bool soundEnabled = false;
    bool loginAccepted = false;
    bool firstRefresh = false;
    bool quitConfirmed = false;
    // The local address the server socket and the peer listener bind to; null means any.
    // Tests give each client its own loopback address.
    QHostAddress localAddress;
};

} // namespace jaserelle::client
