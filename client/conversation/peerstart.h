#pragma once

#include <QByteArrayView>

namespace jaserelle::client {

// What a connection to the peer port opens with. An encrypted call opens with a TLS handshake
// record (content type 22, then major version 3); a legacy call with the text of its call request,
// which never starts with byte 0x16. Two bytes decide.
enum class PeerStart
{
    Undecided, // not two bytes yet
    Tls,
    Legacy,
};

PeerStart classifyPeerStart(QByteArrayView head);

} // namespace jaserelle::client
