#include "client/conversation/peerframer.h"

#include <algorithm>

namespace jaserelle::client {

QByteArray framePacket(QByteArrayView payload)
{
    QByteArray wire;
    wire.reserve(payload.size() + packetEndMarker.size());
    wire.append(payload);
    wire.append(packetEndMarker);
    return wire;
}

PacketReassembler::PacketReassembler(qsizetype maxPacketBytes)
    : maxPacketBytes_(std::max<qsizetype>(maxPacketBytes, 1))
{
}

namespace {
// How much of an oversized packet is looked through at a time while it is skipped.
constexpr qsizetype skipChunk = 64 * 1024;
} // namespace

PacketReassembler::Result PacketReassembler::feed(QByteArrayView piece)
{
    Result result;
    const qsizetype tail = packetEndMarker.size() - 1;
    while (!piece.empty()) {
        // Only the new bytes and the last few old ones can complete a marker: the search never
        // goes over the same bytes twice, however small the pieces.
        const qsizetype searchFrom = std::max<qsizetype>(0, buffer_.size() - tail);
        const qsizetype room = discarding_ ? tail + skipChunk : maxPacketBytes_ + packetEndMarker.size();
        const qsizetype take =
            std::min<qsizetype>(piece.size(), std::max<qsizetype>(room - buffer_.size(), 1));
        buffer_.append(piece.first(take));
        piece = piece.sliced(take);

        qsizetype consumed = 0;
        qsizetype at = buffer_.indexOf(packetEndMarker, searchFrom);
        while (at >= 0) {
            if (consumed == 0 && !discarding_ && at <= maxPacketBytes_ && (buffer_.size() - at) * 8 < at) {
                // A large packet (a picture) leaves as the buffer itself instead of being copied
                // out of it; only the little that follows its marker is.
                QByteArray rest = buffer_.sliced(at + packetEndMarker.size());
                buffer_.truncate(at);
                result.packets.append(std::move(buffer_));
                buffer_ = std::move(rest);
                at = buffer_.indexOf(packetEndMarker);
                continue;
            }
            if (discarding_) {
                discarding_ = false;
                ++result.dropped;
            } else if (at - consumed > maxPacketBytes_) {
                ++result.dropped;
            } else {
                result.packets.append(buffer_.sliced(consumed, at - consumed));
            }
            consumed = at + packetEndMarker.size();
            at = buffer_.indexOf(packetEndMarker, consumed);
        }
        buffer_.remove(0, consumed);

        if (discarding_ || buffer_.size() > maxPacketBytes_ + tail) {
            // Over the limit with no marker in sight: keep only what could be the start of one.
            discarding_ = true;
            buffer_ = buffer_.right(tail);
        }
    }
    return result;
}

} // namespace jaserelle::client
