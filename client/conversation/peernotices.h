#pragma once

#include <QString>

namespace jaserelle::client {

// What the user is told when a conversation link ends on its own. Each notice names the peer.
struct PeerNotice
{
    QString title;
    QString text;
};

PeerNotice refusalNotice(const QString &peerPseudo);       // the callee refused
PeerNotice communicationNotice(const QString &peerPseudo); // a socket error, or nobody answered
PeerNotice cutOffNotice(const QString &peerPseudo);        // the peer closed the link
PeerNotice unreachableNotice(const QString &peerPseudo);   // the address called leads back here
PeerNotice portTakenNotice();                              // no calls can be received this run

} // namespace jaserelle::client
