#include "client/network/doorstate.h"

#include "common/peerprobe.h"
#include "common/protocol.h"

#include <QStringList>
#include <cstdint>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

ProbeAnswer parseProbeReply(QByteArrayView reply)
{
    const qsizetype lineEnd = reply.indexOf("\r\n");
    const QByteArrayView status = reply.first(lineEnd < 0 ? reply.size() : lineEnd);
    if (status.startsWith("HTTP/1.") && status.size() >= 12 && status.sliced(9, 3) == "404")
        return ProbeAnswer::NotOffered;
    if (!status.startsWith("HTTP/1.") || status.size() < 12 || status.sliced(9, 3) != "200")
        return ProbeAnswer::Unknown;
    const qsizetype bodyStart = reply.indexOf("\r\n\r\n");
    if (bodyStart < 0)
        return ProbeAnswer::Unknown;
    const QByteArrayView body = reply.sliced(bodyStart + 4);
    if (body.startsWith(QByteArrayView(protocol::peerPortReachable)))
        return ProbeAnswer::Reachable;
    if (body.startsWith(QByteArrayView(protocol::peerPortUnreachable)))
        return ProbeAnswer::Unreachable;
    return ProbeAnswer::Unknown;
}

ProbeKnock readProbeKnock(QByteArrayView head)
{
    const QByteArrayView line(reachabilityProbeLine.data(), qsizetype(reachabilityProbeLine.size()));
    if (!head.startsWith(line.first(std::min(head.size(), line.size()))) || head.isEmpty())
        return {};
    const qsizetype end = head.indexOf("\r\n", line.size());
    if (end >= 0)
        return {ProbeKnock::Kind::Probe, head.sliced(line.size(), end - line.size()).toByteArray()};
    // Longer than a token's line and still no end: a token nobody gave.
    if (head.size() > line.size() + qsizetype(probeTokenLength) + 2)
        return {ProbeKnock::Kind::Probe, {}};
    return {ProbeKnock::Kind::Incomplete, {}};
}

bool isPublicIpv4(const QString &address)
{
    const QStringList parts = address.split(u'.');
    if (parts.size() != 4)
        return false;
    std::uint32_t a = 0;
    for (const QString &part : parts) {
        bool ok = false;
        const uint byte = part.toUInt(&ok);
        if (!ok || byte > 255 || part.isEmpty() || part.size() > 3)
            return false;
        a = (a << 8) | byte;
    }
    static constexpr struct
    {
        std::uint32_t net;
        int bits;
    } reserved[] = {
        {0x00000000, 8},  {0x0A000000, 8},  {0x64400000, 10}, {0x7F000000, 8},  {0xA9FE0000, 16},
        {0xAC100000, 12}, {0xC0000000, 24}, {0xC0000200, 24}, {0xC0A80000, 16}, {0xC6120000, 15},
        {0xC6336400, 24}, {0xCB007100, 24}, {0xE0000000, 4},  {0xF0000000, 4},
    };
    for (const auto &r : reserved)
        if ((a >> (32 - r.bits)) == (r.net >> (32 - r.bits)))
            return false;
    return true;
}

Callable judgeCallable(const MappingOutcome &mapping, ProbeAnswer probe)
{
    if (probe == ProbeAnswer::Reachable)
        return Callable::Yes;
    if (probe == ProbeAnswer::Unreachable)
        return Callable::No;
    if (mapping.status == MappingOutcome::Status::Mapped && isPublicIpv4(mapping.externalAddress))
        return Callable::Yes;
    return Callable::Unknown;
}

QString doorSummary(const MappingOutcome &mapping, Callable callable)
{
    QString router;
    const QString how = mapping.method.isEmpty() ? QString() : u" ("_s + mapping.method + u")"_s;
    switch (mapping.status) {
    case MappingOutcome::Status::Pending:
        router = u"Routeur : recherche en cours…"_s;
        break;
    case MappingOutcome::Status::Mapped:
        router = u"Port 13196 ouvert sur le routeur"_s + how;
        if (!mapping.externalAddress.isEmpty())
            router += u", adresse externe "_s + mapping.externalAddress;
        break;
    case MappingOutcome::Status::Refused:
        if (mapping.errorCode == 718)
            router = u"Port 13196 non ouvert : le routeur le réserve déjà à un autre ordinateur"_s;
        else
            router = u"Port 13196 non ouvert : le routeur a refusé"_s;
        router += mapping.errorCode ? u" ("_s + mapping.method + u", erreur "_s +
                                          QString::number(mapping.errorCode) + u")"_s
                                    : how;
        break;
    case MappingOutcome::Status::NoRouter:
        router = u"Port 13196 non ouvert : aucun routeur UPnP ou NAT-PMP n'a répondu"_s;
        break;
    }
    const QString verdict = callable == Callable::Yes  ? u"oui"_s
                            : callable == Callable::No ? u"non"_s
                                                       : u"inconnu"_s;
    return router + u"\nJoignable depuis Internet : "_s + verdict;
}

} // namespace jaserelle::client
