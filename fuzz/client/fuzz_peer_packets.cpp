// Whatever another client sends down a conversation link: cut into arbitrary pieces, it comes back
// as the same packets, none holding the marker, the buffer never above its limit; every packet reads
// as something without running off its text; and a message built from those bytes travels whole.
#include "client/conversation/peerframer.h"
#include "client/conversation/peerpackets.h"
#include "client/server/wiretext.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace jaserelle::client;

namespace {

constexpr qsizetype limit = 64;

QList<QByteArray> cut(QByteArrayView bytes, qsizetype step, int *dropped)
{
    PacketReassembler reassembler(limit);
    QList<QByteArray> packets;
    while (!bytes.empty()) {
        const qsizetype n = std::min(step, bytes.size());
        const auto result = reassembler.feed(bytes.first(n));
        bytes = bytes.sliced(n);
        packets += result.packets;
        *dropped += result.dropped;
        if (reassembler.pending() > limit + packetEndMarker.size())
            std::abort();
    }
    return packets;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype step = 1 + data[0] % 40;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, static_cast<qsizetype>(size) - 1);

    int droppedWhole = 0, droppedPieces = 0;
    const QList<QByteArray> whole = cut(bytes, bytes.size() + 1, &droppedWhole);
    const QList<QByteArray> pieces = cut(bytes, step, &droppedPieces);
    if (whole != pieces || droppedWhole != droppedPieces)
        std::abort(); // how the bytes were split must not matter

    for (const QByteArray &payload : pieces) {
        if (payload.contains(packetEndMarker) || payload.size() > limit)
            std::abort();
        const QString text = wiretext::fromWire(payload);
        for (const LinkSide side : {LinkSide::Caller, LinkSide::Callee}) {
            const PeerPacket packet = parsePacket(text, side);
            if (packet.content.size() > text.size() || packet.pseudo.size() > maxPseudoLength)
                std::abort();
            if (packet.kind == PacketKind::Entry && !text.endsWith(packet.content))
                std::abort();
        }
    }

    PacketReassembler reassembler;
    const auto message = reassembler.feed(messagePacket(wiretext::fromWire(bytes.toByteArray())));
    if (message.packets.size() != 1 || reassembler.pending() != 0)
        std::abort();
    return 0;
}
