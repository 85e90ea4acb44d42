#include "client/conversation/callannouncer.h"

#include "client/conversation/desktopnotification.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

void announceCall(const QString &caller)
{
    // Critical: a call is lost if it goes unseen, and the desktop keeps such bubbles up.
    sendDesktopNotification({u"call-start"_s, u"Un appel !"_s, u"Un appel en provenance de "_s + caller, 2});
}

} // namespace jaserelle::client
