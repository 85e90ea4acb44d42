#pragma once

#include "community/core/clock.h"

#include <chrono>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace jaserelle::community {

// Which members logged in successfully, lately, from which network (an IPv4 /24, an IPv6 /48).
// Under a flood of logins the slow-hash queue serves these first: a member at home or at work
// gets in, while a stranger's pseudo from a network it was never used from waits its fair turn.
// Only a success from that network counts, so a guesser sending members' public pseudos gains
// nothing, and what the queue does says nothing about whether a pseudo exists.
class RecentLogins
{
public:
    struct Limits
    {
        std::chrono::hours remembered{24 * 30};
        // Pairs kept at most; past it the least recently seen one goes.
        std::size_t maxEntries = 200000;
    };

    explicit RecentLogins(Clock clock);
    RecentLogins(Clock clock, Limits limits);

    void succeeded(std::string_view pseudo, std::string_view address);
    bool recent(std::string_view pseudo, std::string_view address);

private:
    using Order = std::list<std::string>;
    struct Entry
    {
        std::chrono::system_clock::time_point seen;
        Order::iterator place;
    };
    static std::string keyOf(std::string_view pseudo, std::string_view address);

    Clock clock_;
    Limits limits_;
    std::mutex mutex_;
    Order order_; // most recently seen first
    std::unordered_map<std::string, Entry> entries_;
};

} // namespace jaserelle::community
