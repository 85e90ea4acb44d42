#pragma once

#include "common/protocol.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace jaserelle::client {

// Packets between two clients are a payload followed by this marker: no length, no header.
inline constexpr QByteArrayView packetEndMarker(protocol::packetEnd.data(),
                                                qsizetype(protocol::packetEnd.size()));

// A payload as it goes on the wire, marker included, handed to the socket in one write.
QByteArray framePacket(QByteArrayView payload);

// Cuts the byte stream of one peer connection back into packets. Fed with whatever pieces the
// socket delivers, it returns each packet once its marker has arrived, in order; bytes after the
// last marker wait for the next piece.
//
// What another machine sends never grows the buffer beyond `maxPacketBytes` (plus the few bytes of
// a marker cut in two): a packet that passes the limit is dropped as it arrives, and so is
// everything up to its marker. The next packet is read normally.
class PacketReassembler
{
public:
    // A message carries its pictures as bitmaps inside its RTF; 16 MiB holds several screenshots.
    static constexpr qsizetype defaultMaxPacketBytes = 16 * 1024 * 1024;

    explicit PacketReassembler(qsizetype maxPacketBytes = defaultMaxPacketBytes);

    struct Result
    {
        QList<QByteArray> packets; // payloads, marker removed
        int dropped = 0;           // packets that passed the limit and were thrown away
    };
    Result feed(QByteArrayView piece);

    // Bytes held for the packet in progress (for tests and the link's own checks).
    qsizetype pending() const { return buffer_.size(); }

private:
    qsizetype maxPacketBytes_;
    QByteArray buffer_;
    // True while the bytes of an oversized packet are being skipped up to its marker; the
    // buffer then keeps only a possible beginning of the marker.
    bool discarding_ = false;
};

} // namespace jaserelle::client
