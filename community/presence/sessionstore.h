#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jaserelle::community {

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
    // session is then kept alive and `reportedAddress` becomes its presence address.
    virtual bool refresh(const std::string &pseudo, std::string_view password,
                         std::string_view reportedAddress) = 0;

    // True when the session is live and the password matches (nothing is touched).
    virtual bool checkPassword(const std::string &pseudo, std::string_view password) = 0;

    // The rule for the requests that carry no password: a live session, from its login address,
    // and, when the session is bound to a key, on a connection presenting that key (anyone behind
    // the same router shares the address, not the key). A request that passes it keeps the
    // session alive.
    virtual bool liveFrom(const std::string &pseudo, std::string_view address,
                          std::string_view clientKey = {}) = 0;

    // The address to report for a member while its session is live; nothing otherwise.
    std::optional<std::string> presence(const std::string &pseudo) { return presence(pseudo, now()); }
    virtual std::optional<std::string> presence(const std::string &pseudo,
                                                std::chrono::system_clock::time_point now) = 0;
    // The same for a whole list at once (one lock, one round trip): out[i] is the address of
    // pseudos[i], empty when not connected.
    virtual void presences(std::span<const std::string_view> pseudos,
                           std::chrono::system_clock::time_point now, std::vector<std::string> &out) = 0;
    virtual std::chrono::system_clock::time_point now() const = 0;

    virtual void close(const std::string &pseudo) = 0;

    // A session that never expires and matches no password (demo members shown as connected).
    virtual void pin(const std::string &pseudo, std::string_view reportedAddress) = 0;
};

} // namespace jaserelle::community
