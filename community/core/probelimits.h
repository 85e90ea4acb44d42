#pragma once

#include "community/core/clock.h"

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace jaserelle::community {

// Opens one connection to a member's peer port and says whether it reached that member's
// client. Blocking, for at most a couple of seconds; the sockets live in community/http. With a
// token, only a listener that sends the token back counts (the client that asked knows it, another
// computer of the home holding the forward does not); without one, any accepted connection does.
class PeerProbe
{
public:
    virtual ~PeerProbe() = default;
    virtual bool reaches(const std::string &ipv4Address, unsigned short port, const std::string &token) = 0;
};

// How often the server may knock: at most `perMember` probes for one member and `perAddress` for
// one address (a home of several computers) in each `window`, and `inFlight` at a time for the
// whole server, so that nobody can turn the server into a port scanner or tie up its threads.
// Every answer comes from a probe of its own: nothing found is given to anyone else. At most
// `maxKeys` members and addresses are counted; beyond it the finished windows go, and if none
// has finished, no new probe.
class ProbeLimits
{
public:
    struct Limits
    {
        std::chrono::seconds window{60};
        int perMember = 3;
        int perAddress = 12;
        int inFlight = 1;
        std::size_t maxKeys = 100000;
    };

    explicit ProbeLimits(Clock clock) : ProbeLimits(std::move(clock), Limits()) {}
    ProbeLimits(Clock clock, Limits limits) : clock_(std::move(clock)), limits_(limits) {}

    // True: go ahead, then finished().
    bool allow(const std::string &member, const std::string &address);
    void finished();

private:
    struct Count
    {
        std::chrono::system_clock::time_point since;
        int probes = 0;
    };
    bool full(const std::unordered_map<std::string, Count> &counts, const std::string &key, int limit,
              std::chrono::system_clock::time_point now) const;

    Clock clock_;
    Limits limits_;
    std::mutex mutex_;
    std::unordered_map<std::string, Count> members_;
    std::unordered_map<std::string, Count> addresses_;
    int running_ = 0;
};

} // namespace jaserelle::community
