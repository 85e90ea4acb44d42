#pragma once

#include <QString>
#include <functional>

namespace jaserelle::client {

struct ClientState;
class Notifier;

// What became of a rewrite of jaserelle.ini.
enum class ConfigWrite
{
    Written,
    Absent,
    Failed
};

// Replaces jaserelle.ini in `appDir` with the five lines the client writes, followed by the
// preferences section as it stood. A missing file is left missing. The new content goes to a temporary file
// first and replaces the old one only once complete, so a failed write never leaves a truncated file (and the
// server host with it) behind.
ConfigWrite rewriteConfigFile(const QString &appDir, const QString &serverHost, bool soundEnabled);

// The sound switches of the Options menu: the setting in memory, the check marks, and the
// setting kept in jaserelle.ini for the next start.
class SoundSetting
{
public:
    SoundSetting(ClientState &state, Notifier &notifier, std::function<void(bool)> showChecks);

    void switchOn();
    void switchOff();

private:
    ClientState &state_;
    Notifier &notifier_;
    std::function<void(bool)> showChecks_;
};

} // namespace jaserelle::client
