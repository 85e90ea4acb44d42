#pragma once

#include "client/platform/notice.h"

#include <QString>

class QAction;

namespace jaserelle::client {

class FrmMain;
class Notifier;

// "Démarrer avec la session" in the Options menu: checked while the autostart entry is there;
// switching it writes or removes the entry for `executable`, and a failure is told and undone.
QAction *installStartWithSessionOption(FrmMain &main, Notifier &notifier, const QString &executable);

Notice autostartNotChangedNotice(const QString &path);

} // namespace jaserelle::client
