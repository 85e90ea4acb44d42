#include "client/shell/soundsetting.h"

#include "client/platform/platform.h"
#include "client/shell/clientstate.h"
#include "client/shell/configfile.h"
#include "client/shell/preferences.h"
#include "client/shell/shellnotices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

ConfigWrite rewriteConfigFile(const QString &appDir, const QString &serverHost, bool soundEnabled)
{
    const QString path = QDir(appDir).filePath(u"jaserelle.ini"_s);
    if (!QFileInfo::exists(path))
        return ConfigWrite::Absent;
    // The client's other choices live after the sound section and outlast this rewrite.
    QByteArray kept;
    if (QFile old(path); old.open(QIODevice::ReadOnly))
        kept = preferencesTail(old.read(1024 * 1024));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return ConfigWrite::Failed;
    const QByteArray bytes = formatConfig(serverHost, soundEnabled) + kept;
    if (file.write(bytes) != bytes.size())
        return ConfigWrite::Failed;
    return file.commit() ? ConfigWrite::Written : ConfigWrite::Failed;
}

SoundSetting::SoundSetting(ClientState &state, Notifier &notifier, std::function<void(bool)> showChecks)
    : state_(state), notifier_(notifier), showChecks_(std::move(showChecks))
{
}

void SoundSetting::switchOn()
{
    state_.soundEnabled = true;
    showChecks_(true);
    // Sounds are on for this run whatever happens to the file: nothing to tell the user.
    rewriteConfigFile(state_.appDir, state_.serverHost, true);
}

void SoundSetting::switchOff()
{
    state_.soundEnabled = false;
    showChecks_(false);
    if (rewriteConfigFile(state_.appDir, state_.serverHost, false) == ConfigWrite::Failed)
        notifier_.notify(soundSettingNotSavedNotice());
}

} // namespace jaserelle::client
