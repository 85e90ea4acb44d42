#pragma once

#include "community/core/clock.h"
#include "community/core/passwords.h"
#include "community/core/sessions.h"
#include "community/core/throttle.h"
#include "community/relay/relaydirectory.h"
#include "community/store/store.h"

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
    // The call relay and the addresses published on it; both absent when the server has none.
    const RelaySettings *relay = nullptr;
    RelayDirectory *relayed = nullptr;
};

// Settings keys of the store.
inline constexpr const char *loginMessageKey = "login_message";
inline constexpr const char *withdrawnMessageKey = "withdrawn_message";

} // namespace jaserelle::community
