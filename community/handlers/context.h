#pragma once

#include "community/core/clock.h"
#include "community/core/passwords.h"
#include "community/core/probelimits.h"
#include "community/core/recentlogins.h"
#include "community/core/throttle.h"
#include "community/keys/keydirectory.h"
#include "community/presence/sessions.h"
#include "community/relay/relaydirectory.h"
#include "community/store/store.h"

#include <cstdint>
#include <filesystem>

namespace jaserelle::community {

// What every handler may use. Owned by main (or by a test); handlers keep no state of their own.
struct Context
{
    Store &store;
    SessionStore &sessions;
    const PasswordHasher &hasher;
    Clock clock;
    std::filesystem::path photosDir;
    int searchCap = 100;
    // Failed password checks, per pseudo and per address; none counted when absent.
    FailureThrottle *failures = nullptr;
    // The members' certificate fingerprints; a server without one answers its resources 404.
    KeyStore *keys = nullptr;
    // Members' good logins by network, which go first on the slow hash; none kept when absent.
    RecentLogins *recentLogins = nullptr;

    // A box the client can always list and empty: its reply cap is 64 MiB, and a box listed whole
    // would cost the server as much memory per reader.
    struct MailLimits
    {
        int boxMails = 200;
        std::int64_t boxBytes = 8 << 20; // subjects and texts, UTF-8
        std::size_t listBytes = 2 << 20; // one listing: the oldest mails up to this
    };
    MailLimits mailLimits{};
    // Mails sent, per sender: past their limit within their window, a sender waits (same counter
    // as the failed checks: so many events within a window, then refused for a while).
    FailureThrottle *mailsSent = nullptr;
    // Sign-ups, per address and per network (networkPrefix).
    FailureThrottle *signUpsByAddress = nullptr;
    FailureThrottle *signUpsByNetwork = nullptr;
    // The reachability probe of members' peer ports; the resource is unknown (404) when absent.
    PeerProbe *peerProbe = nullptr;
    ProbeLimits *probeLimits = nullptr;
    // The call relay and the addresses published on it; both absent when the server has none.
    const RelaySettings *relay = nullptr;
    RelayStore *relayed = nullptr;
};

// Settings keys of the store.
inline constexpr const char *loginMessageKey = "login_message";
inline constexpr const char *withdrawnMessageKey = "withdrawn_message";

} // namespace jaserelle::community
