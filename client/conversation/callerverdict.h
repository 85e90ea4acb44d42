#pragma once

#include <QString>
#include <vector>

namespace jaserelle::client {

// What the server last reported about a member, as one of the client's lists holds it.
struct MemberSighting
{
    QString pseudo;
    QString address; // empty while the member is not connected
    bool online = false;
    bool blackListed = false; // the row is on the user's own black list
};

// How a call request that claims `pseudo` is answered.
enum class CallerVerdict
{
    Verified,   // the server reports that member online at the address the call comes from
    Unverified, // nothing the server reported backs the claim: it rings, marked
    Refused,    // a member of the user's black list: refused without ringing
};

// The call request's claim against what the server reported. A member on the black list is
// refused whatever the address (someone pretending to be a blocked member gains nothing from it);
// otherwise the claim holds only when some row says that member is online at `from` (the
// caller's address as the socket reports it, dotted, possibly IPv4-mapped IPv6).
CallerVerdict judgeCaller(const QString &pseudo, const QString &from,
                          const std::vector<MemberSighting> &sightings);

// How a call rings, all checks made.
enum class CallerMark
{
    Verified,   // by the address the server reports, or by the key the directory publishes
    Unverified, // "bob (non vérifié)"
    KeyChanged, // "bob (clé changée)": an encrypted caller whose key is not the one seen before
};

// The caller as the notification and the conversation's caption name it.
QString markedName(const QString &pseudo, CallerMark mark);

} // namespace jaserelle::client
