#pragma once

#include "client/platform/notice.h"

#include <QString>

namespace jaserelle::client {

// What the user is told when a conversation link ends on its own. Each notice names the peer.
Notice refusalNotice(const QString &peerPseudo);       // the callee refused
Notice communicationNotice(const QString &peerPseudo); // a socket error, or nobody answered
Notice cutOffNotice(const QString &peerPseudo);        // the peer closed the link
Notice unreachableNotice(const QString &peerPseudo);   // the address called leads back here
Notice portTakenNotice();                              // no calls can be received this run
// The member called presented another key than the one the key directory publishes: the call
// is not placed.
Notice keyContradictedNotice(const QString &peerPseudo);
// The member's key is not the one seen before (the directory vouches for the new one).
Notice keyChangedNotice(const QString &peerPseudo);

} // namespace jaserelle::client
