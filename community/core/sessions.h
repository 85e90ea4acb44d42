#pragma once

#include "community/core/clock.h"

#include <array>
#include <chrono>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace jaserelle::community {

// Who is connected, in memory only: a session opens at login and lives while its member's requests
// keep coming (a refresh, or any request that passes the session check); `lifetime` without one, or
// a logoff, ends it. The 30-second refreshes are checked against a keyed hash kept here, not
// against the slow password hash.
class Sessions
{
public:
    explicit Sessions(Clock clock, std::chrono::seconds lifetime = std::chrono::seconds(90));

    // Opens (or reopens) the session of a member who has just proved the password.
    void open(const std::string &pseudo, std::string_view password, std::string_view loginAddress);

    // A refresh: true when the session is live and the password is the one given at login; the
    // session is then kept alive and `reportedAddress` becomes its presence address.
    bool refresh(const std::string &pseudo, std::string_view password, std::string_view reportedAddress);

    // True when the session is live and the password matches (nothing is touched).
    bool checkPassword(const std::string &pseudo, std::string_view password);

    // The rule for the requests that carry no password: a live session, from its login address.
    // A request that passes it keeps the session alive: the client sends no refresh while the
    // user keeps it busy with other requests.
    bool liveFrom(const std::string &pseudo, std::string_view address);

    // The address to report for a member: the one its client sent with its last refresh, while
    // the session is live; nothing otherwise.
    std::optional<std::string> presence(const std::string &pseudo);
    // The same at a given moment: a reply asks for many members at once.
    std::optional<std::string> presence(const std::string &pseudo, std::chrono::system_clock::time_point now);
    std::chrono::system_clock::time_point now() const { return clock_(); }

    void close(const std::string &pseudo);

    // A session that never expires (demo members shown as connected).
    void pin(const std::string &pseudo, std::string_view reportedAddress);

    // Drops the expired sessions; returns how many are left.
    std::size_t sweep();

private:
    using Digest = std::array<unsigned char, 32>;
    struct Session
    {
        Digest passwordDigest{};
        std::string loginAddress;
        std::string reportedAddress;
        std::chrono::system_clock::time_point lastSeen;
        bool pinned = false;
    };

    Digest digest(std::string_view password) const;
    bool live(const Session &s, std::chrono::system_clock::time_point now) const;

    Clock clock_;
    std::chrono::seconds lifetime_;
    std::array<unsigned char, 32> key_{};
    std::shared_mutex mutex_;
    std::unordered_map<std::string, Session> sessions_;
    int opensSinceSweep_ = 0;
};

} // namespace jaserelle::community
