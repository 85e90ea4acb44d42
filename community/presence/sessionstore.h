#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jaserelle::community {

// The two addresses of a connected member: the one its client claims in its refresh (the local
// address of its socket to the server, a LAN address behind a home router) and the one its
// requests come from (the router's, as the server sees it). Empty claimed: not connected.
struct PresenceAddress
{
    std::string claimed;
    std::string observed; // empty when unknown, or not an IPv4 address a client could call
};

// The address that reaches `member` from a viewer whose requests come from `viewerObserved`: the
// claimed one inside the same home (or when the observed one is unknown), the observed one from
// anywhere else. Where both are equal nothing changes for anyone.
inline const std::string &addressFor(const PresenceAddress &member, std::string_view viewerObserved)
{
    if (member.observed.empty() || member.observed == viewerObserved)
        return member.claimed;
    return member.observed;
}

// Who is connected and from where: kept in this process's memory (Sessions) or, for several
// server processes behind one load balancer, in Redis (RedisSessions). The handlers see only this.
class SessionStore
{
public:
    virtual ~SessionStore() = default;

    // Opens (or reopens) the session of a member who has just proved the password. A login that
    // presented a client key binds the session to it.
    virtual void open(const std::string &pseudo, std::string_view password, std::string_view loginAddress,
                      std::string_view clientKey = {}) = 0;

    // A refresh: true when the session is live and the password is the one given at login; the
    // session is then kept alive and its presence becomes `claimedAddress` (what the client
    // reports) seen from `observedAddress` (where the refresh came from).
    virtual bool refresh(const std::string &pseudo, std::string_view password,
                         std::string_view claimedAddress, std::string_view observedAddress) = 0;

    // True when the session is live and the password matches (nothing is touched).
    virtual bool checkPassword(const std::string &pseudo, std::string_view password) = 0;

    // The rule for the requests that carry no password: a live session, from its login address,
    // and, when the session is bound to a key, on a connection presenting that key (anyone behind
    // the same router shares the address, not the key). A request that passes it keeps the
    // session alive.
    virtual bool liveFrom(const std::string &pseudo, std::string_view address,
                          std::string_view clientKey = {}) = 0;

    // The addresses of a member while its session is live; nothing otherwise.
    std::optional<PresenceAddress> presence(const std::string &pseudo) { return presence(pseudo, now()); }
    virtual std::optional<PresenceAddress> presence(const std::string &pseudo,
                                                    std::chrono::system_clock::time_point now) = 0;
    // The same for a whole list at once (one lock, one round trip): out[i] holds the addresses of
    // pseudos[i], an empty claimed one when not connected.
    virtual void presences(std::span<const std::string_view> pseudos,
                           std::chrono::system_clock::time_point now, std::vector<PresenceAddress> &out) = 0;
    virtual std::chrono::system_clock::time_point now() const = 0;

    virtual void close(const std::string &pseudo) = 0;

    // A session that never expires and matches no password (demo members shown as connected), at
    // one address for everyone.
    virtual void pin(const std::string &pseudo, std::string_view reportedAddress) = 0;
};

} // namespace jaserelle::community
