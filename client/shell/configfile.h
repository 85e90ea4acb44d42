#pragma once

#include <QByteArray>
#include <QString>

namespace jaserelle::client {

// jaserelle.ini, beside the executable: "[server]" then the host, and after it "[sound]" then
// "enable" or "disable". Section lines are compared whole and case-sensitively.
struct ConfigValues
{
    QString serverHost;
    QString soundValue;
    bool soundEnabled() const { return soundValue == u"enable"; }
};

// The settings as read from the file's bytes. The sound section is looked for only after the
// server section was found (the file is read once, front to back).
ConfigValues parseConfig(const QByteArray &fileBytes);

// The file as the client writes it: exactly five lines, each ended by CR LF.
QByteArray formatConfig(const QString &serverHost, bool soundEnabled);

} // namespace jaserelle::client
