#pragma once

#include "client/shell/preferences.h"

#include <QString>

namespace jaserelle::client {

// The choices as kept in jaserelle.ini in `appDir`; the defaults when the file or its section is
// missing or cannot be read.
Preferences loadPreferences(const QString &appDir);

// Writes the choices into jaserelle.ini in `appDir`, leaving its server and sound sections as
// they read. A missing file is left missing (nothing to keep them beside). Written whole or not
// at all; false when the file could not be written.
bool savePreferences(const QString &appDir, const Preferences &preferences);

} // namespace jaserelle::client
