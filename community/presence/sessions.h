#pragma once

#include "community/core/clock.h"
#include "community/presence/sessionstore.h"

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
class Sessions final : public SessionStore
{
public:
    explicit Sessions(Clock clock, std::chrono::seconds lifetime = std::chrono::seconds(90));

    void open(const std::string &pseudo, std::string_view password, std::string_view loginAddress,
              std::string_view clientKey = {}) override;
    bool refresh(const std::string &pseudo, std::string_view password, std::string_view claimedAddress,
                 std::string_view observedAddress) override;
    bool checkPassword(const std::string &pseudo, std::string_view password) override;
    bool liveFrom(const std::string &pseudo, std::string_view address,
                  std::string_view clientKey = {}) override;
    using SessionStore::presence;
    std::optional<PresenceAddress> presence(const std::string &pseudo,
                                            std::chrono::system_clock::time_point now) override;
    void presences(std::span<const std::string_view> pseudos, std::chrono::system_clock::time_point now,
                   std::vector<PresenceAddress> &out) override;
    std::chrono::system_clock::time_point now() const override { return clock_(); }
    void close(const std::string &pseudo) override;
    void pin(const std::string &pseudo, std::string_view reportedAddress) override;

    // Drops the expired sessions; returns how many are left.
    std::size_t sweep();

private:
    using Digest = std::array<unsigned char, 32>;
    struct Session
    {
        Digest passwordDigest{};
        std::string loginAddress;
        std::string clientKey; // empty: a session opened without a key (plain HTTP)
        PresenceAddress address;
        std::chrono::system_clock::time_point lastSeen;
        bool pinned = false;
    };

    Digest digest(std::string_view password) const;
    bool live(const Session &s, std::chrono::system_clock::time_point now) const;

    Clock clock_;
    std::chrono::seconds lifetime_;
    std::array<unsigned char, 32> key_{};
    std::shared_mutex mutex_;
    // Looked up by string_view, so a batch of pseudos needs no copies.
    struct Hash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, Session, Hash, std::equal_to<>> sessions_;
    int opensSinceSweep_ = 0;
};

} // namespace jaserelle::community
