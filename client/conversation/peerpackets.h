#pragma once

#include "client/server/protocolwords.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace jaserelle::client {

// The packets of a conversation link, as payloads before the end marker (peerframer.h adds it).

// Every client listens on this port and calls its peers on it; nothing configures it.
inline constexpr quint16 peerPort = protocol::peerPort;

inline const QStringView callRequestTag = utf16<protocol::callRequestTag>();
inline const QStringView acceptPayload = utf16<protocol::acceptCall>();
inline const QStringView refusalPayload = utf16<protocol::refuseCall>();

// Which end of the link this client is: the one that placed the call, or the one that answered.
enum class LinkSide
{
    Caller,
    Callee
};

enum class PacketKind
{
    CallRequest, // callee side: someone calls; `pseudo` says who
    Accept,      // caller side: the call was accepted
    Refusal,     // caller side: the call was refused
    Entry,       // either side: something to show under the peer's name, maybe with a sound
    Malformed,   // a call request that names no valid member: nothing to show or ring
};

struct PeerPacket
{
    PacketKind kind = PacketKind::Entry;
    QString pseudo;  // CallRequest: the caller
    int sound = -1;  // Entry: index in soundCommands of the effect to play, -1 for none
    QString content; // Entry: RTF to show, the sound command taken out
};

// Pseudos are what the server allows at sign-up: letters and digits, at most 16.
inline constexpr qsizetype maxPseudoLength = 16;

// Tells a received payload (already decoded from Windows-1252) for what it is. The handshake texts
// count only as whole packets, exactly as peers send them: a message that happens to contain
// "SORRYIREFUSEYOURCALL" is shown, it does not end the conversation. Likewise a sound command only
// where a sound packet has it, at the very start.
PeerPacket parsePacket(QStringView payload, LinkSide side);

// Whole packets, marker included, in Windows-1252, ready for one socket write.
QByteArray callRequestPacket(const QString &ownPseudo);
QByteArray acceptPacket();
QByteArray refusalPacket();
// A sound effect: its command followed by the notice the peer shows. Out-of-range indexes give an
// empty array (nothing to send).
QByteArray soundPacket(int index);
// A message: the sender's whole send-box RTF. The end marker's text inside it (the user typed those
// words) is written with its last letter as the RTF escape \'54, which every RTF reader shows as
// "T" (and a message ending on the marker short of its "T" has its final "E" written \'45): the
// message reaches the peer in one piece and reads the same.
QByteArray messagePacket(const QString &rtf);

} // namespace jaserelle::client
