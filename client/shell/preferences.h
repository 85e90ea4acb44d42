#pragma once

#include "client/platform/notice.h"

#include <QByteArray>
#include <QString>

namespace jaserelle::client {

// The client's own choices, kept in jaserelle.ini after the server and sound sections, under a
// section line of their own. A reader that knows only the first two sections stops before it, so
// an older client still reads the file; one line per choice, "name=value".
struct Preferences
{
    bool closeToTray = false;      // the close box hides the main window in the tray
    bool connectedFirst = false;   // the contact lists show connected members first, then by pseudo
    QString lastPseudo;            // offered again in the login window
    bool rememberPassword = false; // its password is in the desktop's keyring: sign in at start
};

inline constexpr QStringView preferencesSectionLine = u"[preferences]";

// The choices found in the file's bytes; anything unknown or malformed in the section is skipped,
// and a file without the section gives the defaults.
Preferences parsePreferences(const QByteArray &fileBytes);

// The section as the client writes it: its section line, then one line per choice, CR LF ended,
// preceded by an empty line that parts it from the sound section.
QByteArray formatPreferences(const Preferences &preferences);

// The section as it stands in the file, byte for byte, from its empty leading line to the end;
// empty when the file has none. Kept when the sound switch rewrites the rest of the file.
QByteArray preferencesTail(const QByteArray &fileBytes);

// A choice of the Options menu could not be written into jaserelle.ini: it holds for this run only.
Notice preferencesNotSavedNotice();

} // namespace jaserelle::client
