// Whatever a connection to the peer port opens with: the verdict never changes as more bytes
// arrive once it is given, and only a TLS record header is taken for TLS.
#include "client/conversation/peerstart.h"

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace jaserelle::client;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView all(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const PeerStart whole = classifyPeerStart(all);
    for (qsizetype n = 0; n <= all.size() && n <= 4; ++n) {
        const PeerStart part = classifyPeerStart(all.first(n));
        if (part != PeerStart::Undecided && part != whole)
            std::abort();
    }
    if (whole == PeerStart::Tls && (size < 2 || data[0] != 0x16 || data[1] != 0x03))
        std::abort();
    if (whole == PeerStart::Undecided && size >= 2)
        std::abort();
    return 0;
}
