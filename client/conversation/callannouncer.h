#pragma once

#include <QString>

namespace jaserelle::client {

// Tells the desktop that a member is calling, through its notification service, so the call is
// seen while the user works in another program. Silent when there is no session bus or no
// notification service: the ringing window is there anyway.
void announceCall(const QString &caller);

} // namespace jaserelle::client
