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

} // namespace jaserelle::client
