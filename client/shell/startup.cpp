#include "client/shell/startup.h"

#include "client/platform/platform.h"
#include "client/shell/clientstate.h"
#include "client/shell/configfile.h"
#include "client/shell/shellnotices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

// Far more than any configuration file; a runaway file is read no further.
constexpr qint64 maxConfigBytes = 1024 * 1024;

// An installed client's first start: the user's own copy of the system's default, so that the
// sound switch has a file of the user's to rewrite. Written whole or not at all.
bool seedConfigFile(const QString &seed, const QString &path)
{
    QFile source(seed);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = source.read(maxConfigBytes);
    if (source.error() != QFileDevice::NoError || !QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile target(path);
    return target.open(QIODevice::WriteOnly) && target.write(bytes) == bytes.size() && target.commit();
}

} // namespace

StartupOutcome loadStartupSettings(ClientState &state, Platform &platform)
{
    StartupOutcome outcome;
    state.loginAccepted = false;
    state.serverHost.clear();

    if (!platform.instance.claim()) {
        platform.notifier.notify(anotherInstanceNotice(),
                                 [&lifetime = platform.lifetime] { lifetime.endApplication(); });
        return outcome;
    }

    const QString path = QDir(state.appDir).filePath(u"jaserelle.ini"_s);
    if (!QFileInfo::exists(path) && !state.seedIni.isEmpty() && !seedConfigFile(state.seedIni, path)) {
        platform.notifier.notify(diskAccessNotice(),
                                 [&lifetime = platform.lifetime] { lifetime.endApplication(); });
        return outcome;
    }
    if (!QFileInfo::exists(path)) {
        platform.notifier.notify(missingSettingsNotice(),
                                 [&lifetime = platform.lifetime] { lifetime.endApplication(); });
        return outcome;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        platform.notifier.notify(diskAccessNotice(),
                                 [&lifetime = platform.lifetime] { lifetime.endApplication(); });
        return outcome;
    }
    const QByteArray bytes = file.read(maxConfigBytes);
    if (file.error() != QFileDevice::NoError) {
        platform.notifier.notify(diskAccessNotice(),
                                 [&lifetime = platform.lifetime] { lifetime.endApplication(); });
        return outcome;
    }
    const ConfigValues values = parseConfig(bytes);
    state.serverHost = values.serverHost;
    state.soundEnabled = values.soundEnabled();

    outcome.hasSoundDevice = platform.sound.hasDevice();
    if (!outcome.hasSoundDevice)
        state.soundEnabled = false;
    outcome.proceed = true;
    return outcome;
}

} // namespace jaserelle::client
