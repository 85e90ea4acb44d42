#pragma once

#include <QByteArray>
#include <QString>

namespace jaserelle::client {

// Starting with the desktop session: an XDG autostart entry, jaserelle.desktop in the autostart
// folder of the user's configuration ($XDG_CONFIG_HOME, ~/.config when unset or not absolute).

// The entry's bytes, starting `executable` (quoted as desktop entries quote their Exec line).
QByteArray autostartEntry(const QString &executable);

QString autostartPath();

// Whether the entry is there (whoever wrote it).
bool startsWithSession();

// Writes the entry for `executable`, or removes it; false when the folder or file could not be
// written or removed, the previous state then left as it was.
bool setStartWithSession(bool on, const QString &executable);

} // namespace jaserelle::client
