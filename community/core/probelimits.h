#pragma once

#include "community/core/clock.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace jaserelle::community {

// Opens one connection to a member's peer port and says whether it was accepted. Blocking, for
// at most a couple of seconds; the sockets live in community/http.
class PeerProbe
{
public:
    virtual ~PeerProbe() = default;
    virtual bool reaches(const std::string &ipv4Address, unsigned short port) = 0;
};

// How often the server may knock on a home's door: one probe per address per `addressWindow`
// (its answer is given again to anyone asking meanwhile, members of the same home included),
// one new probe per member per `memberWindow`, and `inFlight` at a time for the whole server, so
// that nobody can turn the server into a port scanner or tie up its threads.
class ProbeLimits
{
public:
    struct Limits
    {
        std::chrono::seconds addressWindow{300};
        std::chrono::seconds memberWindow{60};
        int inFlight = 1;
        std::size_t maxKeys = 100000; // beyond it, stale keys go; if none are stale, no new probe
    };
    enum class Verdict
    {
        Probe, // go ahead, then record()
        Known, // the answer of a recent probe of this address is in `reached`
        Later, // nothing known, and no probe allowed now
    };
    struct Decision
    {
        Verdict verdict;
        bool reached = false;
    };

    explicit ProbeLimits(Clock clock) : ProbeLimits(std::move(clock), Limits()) {}
    ProbeLimits(Clock clock, Limits limits) : clock_(std::move(clock)), limits_(limits) {}

    Decision decide(const std::string &member, const std::string &address);
    // The answer of the probe decide() allowed.
    void record(const std::string &address, bool reached);

private:
    struct Known
    {
        std::chrono::system_clock::time_point at;
        bool reached = false;
    };
    void dropStale(std::chrono::system_clock::time_point now);

    Clock clock_;
    Limits limits_;
    std::mutex mutex_;
    std::unordered_map<std::string, Known> addresses_;
    std::unordered_map<std::string, std::chrono::system_clock::time_point> members_;
    int running_ = 0;
};

} // namespace jaserelle::community
