#include "client/conversation/peerstart.h"

namespace jaserelle::client {

PeerStart classifyPeerStart(QByteArrayView head)
{
    if (head.isEmpty())
        return PeerStart::Undecided;
    if (static_cast<unsigned char>(head[0]) != 0x16)
        return PeerStart::Legacy;
    if (head.size() < 2)
        return PeerStart::Undecided;
    return static_cast<unsigned char>(head[1]) == 0x03 ? PeerStart::Tls : PeerStart::Legacy;
}

} // namespace jaserelle::client
