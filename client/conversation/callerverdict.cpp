#include "client/conversation/callerverdict.h"

namespace jaserelle::client {

namespace {
// One spelling per address: the listener may see an IPv4 caller as "::ffff:a.b.c.d".
QString plainAddress(const QString &address)
{
    QString text = address.trimmed().toLower();
    if (text.startsWith(QStringLiteral("::ffff:")) && text.count(u'.') == 3)
        text.remove(0, 7);
    return text;
}
} // namespace

CallerVerdict judgeCaller(const QString &pseudo, const QString &from,
                          const std::vector<MemberSighting> &sightings)
{
    const QString caller = plainAddress(from);
    bool vouched = false;
    for (const MemberSighting &seen : sightings) {
        if (seen.pseudo != pseudo)
            continue;
        if (seen.blackListed)
            return CallerVerdict::Refused;
        // An empty or offline row vouches for nobody: "0.0.0.0" is no caller's address either.
        const QString reported = plainAddress(seen.address);
        if (seen.online && !caller.isEmpty() && reported == caller && reported != QStringLiteral("0.0.0.0"))
            vouched = true;
    }
    return vouched ? CallerVerdict::Verified : CallerVerdict::Unverified;
}

QString markedName(const QString &pseudo, CallerMark mark)
{
    switch (mark) {
    case CallerMark::Verified:
        break;
    case CallerMark::Unverified:
        return pseudo + QStringLiteral(" (non vérifié)");
    case CallerMark::KeyChanged:
        return pseudo + QStringLiteral(" (clé changée)");
    }
    return pseudo;
}

} // namespace jaserelle::client
