#pragma once

#include <QByteArray>
#include <QString>

namespace jaserelle::client {

struct ClientState;
struct Platform;

// The load of the login window, up to the sound menu: single instance, configuration file,
// sound device. Returns false when the application has to end (the user has been told why).
struct StartupOutcome
{
    bool proceed = false;
    bool hasSoundDevice = false;
};

StartupOutcome loadStartupSettings(ClientState &state, Platform &platform);

} // namespace jaserelle::client
