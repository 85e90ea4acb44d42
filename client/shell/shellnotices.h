#pragma once

#include "client/platform/notice.h"

#include <QString>

namespace jaserelle::client {

// What the user reads while the client starts, logs in and saves its settings.
Notice anotherInstanceNotice();
Notice diskAccessNotice(); // the settings file cannot be created or read
Notice missingSettingsNotice();
Notice loginNotAlphanumericNotice();
Notice signUpNotice(const QString &serverHost); // "Nouveau membre": the sign-up page opens next
Notice accountUnknownNotice(const QString &serverHost);
Notice soundSettingNotSavedNotice();

} // namespace jaserelle::client
