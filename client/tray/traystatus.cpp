#include "client/tray/traystatus.h"

#include <QStringList>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

TrayLook trayLook(const TrayStatus &status)
{
    if (status.ringing)
        return TrayLook::Ringing;
    if (status.unreadMessages > 0)
        return TrayLook::Unread;
    if (status.waitingMails > 0)
        return TrayLook::MailWaiting;
    return status.connected ? TrayLook::Online : TrayLook::Offline;
}

QString trayToolTip(const TrayStatus &status)
{
    QStringList lines{status.connected ? u"Jaserelle : connecté"_s : u"Jaserelle : non connecté"_s};
    if (status.ringing)
        lines << u"Appel entrant"_s;
    if (status.unreadMessages == 1)
        lines << u"1 message non lu"_s;
    else if (status.unreadMessages > 1)
        lines << u"%1 messages non lus"_s.arg(status.unreadMessages);
    if (status.waitingMails == 1)
        lines << u"1 mail en attente"_s;
    else if (status.waitingMails > 1)
        lines << u"%1 mails en attente"_s.arg(status.waitingMails);
    return lines.join(u'\n');
}

} // namespace jaserelle::client
