#include "client/shell/startup.h"

#include "client/platform/platform.h"
#include "client/shell/clientstate.h"
#include "client/shell/configfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

StartupOutcome loadStartupSettings(ClientState &state, Platform &platform)
{
    StartupOutcome outcome;
    state.loginAccepted = false;
    state.serverHost.clear();

    if (!platform.instance.claim()) {
        platform.notifier.notify(u"Attention."_s,
                                 u"Une autre instance de l'application est déjà démarrée."_s);
        platform.lifetime.endApplication();
        return outcome;
    }

    const QString path = QDir(state.appDir).filePath(u"jaserelle.ini"_s);
    if (!QFileInfo::exists(path)) {
        platform.notifier.notify(u"Erreur."_s,
                                 u"Le fichier jaserelle.ini n'existe pas,\r\nConsulter l'aide en ligne."_s);
        platform.lifetime.endApplication();
        return outcome;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        platform.notifier.notify(u"Erreur."_s, u"Problème d'accès au disque dur."_s);
        platform.lifetime.endApplication();
        return outcome;
    }
    // Far more than any configuration file; a runaway file is read no further.
    const QByteArray bytes = file.read(1024 * 1024);
    if (file.error() != QFileDevice::NoError) {
        platform.notifier.notify(u"Erreur."_s, u"Problème d'accès au disque dur."_s);
        platform.lifetime.endApplication();
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
