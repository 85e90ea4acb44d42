#pragma once

#include "community/core/clock.h"

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace jaserelle::community {

// Failed password checks counted per key (a pseudo, an address): after `failures` of them within
// `window`, the key is refused without any check for `blockFor`. A guesser then costs the slow
// hash a few times a minute, whatever he sends. Hammering while refused does not lengthen the
// refusal, so the owner of a guessed pseudo gets his login back soon after the guesser stops.
class FailureThrottle
{
public:
    struct Limits
    {
        int failures = 5;
        std::chrono::seconds window{60};
        std::chrono::seconds blockFor{60};
        // Keys remembered at most; past it (after dropping the stale ones) new keys go uncounted:
        // the slow-hash queue still bounds what they cost.
        std::size_t maxKeys = 100000;
    };

    explicit FailureThrottle(Clock clock);
    FailureThrottle(Clock clock, Limits limits);

    bool blocked(const std::string &key);
    void failed(const std::string &key);
    void succeeded(const std::string &key);

    // The keys of a member and of an address.
    static std::string pseudoKey(std::string_view pseudo) { return "p " + std::string(pseudo); }
    static std::string addressKey(std::string_view address);

private:
    struct Entry
    {
        int count = 0;
        std::chrono::system_clock::time_point windowStart;
        std::chrono::system_clock::time_point blockedUntil;
    };
    void dropStale(std::chrono::system_clock::time_point now);

    Clock clock_;
    Limits limits_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
    std::chrono::system_clock::time_point lastDrop_;
};

} // namespace jaserelle::community
