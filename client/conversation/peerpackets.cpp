#include "client/conversation/peerpackets.h"

#include "client/conversation/peerframer.h"
#include "client/conversation/rtffragments.h"
#include "client/conversation/soundcommands.h"
#include "client/server/wiretext.h"
#include "common/alphanumeric.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

QLatin1StringView commandText(std::size_t index)
{
    const std::string_view command = soundCommands[index].command;
    return QLatin1StringView(command.data(), static_cast<qsizetype>(command.size()));
}

PeerPacket entry(QStringView payload)
{
    PeerPacket packet;
    for (std::size_t i = 0; i < soundCommandCount; ++i) {
        const QLatin1StringView command = commandText(i);
        if (payload.startsWith(command)) {
            packet.sound = static_cast<int>(i);
            packet.content = payload.sliced(command.size()).toString();
            return packet;
        }
    }
    packet.content = payload.toString();
    return packet;
}

bool validPseudo(QStringView pseudo)
{
    return !pseudo.isEmpty() && pseudo.size() <= maxPseudoLength &&
           jaserelle::isAlphanumeric(pseudo.toLatin1().toStdString());
}

} // namespace

PeerPacket parsePacket(QStringView payload, LinkSide side)
{
    if (side == LinkSide::Caller) {
        if (payload == acceptPayload)
            return {PacketKind::Accept, {}, -1, {}};
        if (payload == refusalPayload)
            return {PacketKind::Refusal, {}, -1, {}};
    } else if (payload.startsWith(callRequestTag)) {
        const QStringView pseudo = payload.sliced(callRequestTag.size());
        if (!validPseudo(pseudo))
            return {PacketKind::Malformed, {}, -1, {}};
        return {PacketKind::CallRequest, pseudo.toString(), -1, {}};
    }
    return entry(payload);
}

QByteArray callRequestPacket(const QString &ownPseudo)
{
    return framePacket(wiretext::toWire(callRequestTag.toString() + ownPseudo));
}

QByteArray acceptPacket()
{
    return framePacket(wiretext::toWire(acceptPayload.toString()));
}

QByteArray refusalPacket()
{
    return framePacket(wiretext::toWire(refusalPayload.toString()));
}

QByteArray soundPacket(int index)
{
    if (index < 0 || index >= static_cast<int>(soundCommandCount))
        return {};
    return framePacket(
        wiretext::toWire(QString(commandText(static_cast<std::size_t>(index))) + rtffragments::soundNotice));
}

QByteArray messagePacket(const QString &rtf)
{
    QByteArray payload = wiretext::toWire(rtf);
    const QByteArray marker = packetEndMarker.toByteArray();
    const QByteArray harmless = marker.chopped(1) + "\\'54";
    // The marker overlaps itself only by its "T", which the escape takes away: one pass leaves
    // no marker behind.
    payload.replace(marker, harmless);
    // A message that ends on all of the marker but its last letter would complete a marker with the
    // first letter of the real one, and lose its tail: its final "E" is written \'45.
    if (payload.endsWith(marker.chopped(1))) {
        payload.chop(1);
        payload.append("\\'45");
    }
    return framePacket(payload);
}

} // namespace jaserelle::client
