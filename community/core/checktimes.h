#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <mutex>

namespace jaserelle::community {

// How long the latest password checks took. A login for a pseudo that does not exist must take as
// long as a wrong password, or its answer time would tell which pseudos exist; burning a core on a
// hash nobody needs for that handed a flood of made-up pseudos the slow-hash threads. Instead such
// a refusal is held for the time of a real check drawn from these samples, which follow the load
// the real checks meet now.
class CheckTimes
{
public:
    using Duration = std::chrono::microseconds;
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kept = 64;

    void record(Duration took, Clock::time_point now);
    // One of the kept samples, drawn at random: the distribution the real checks show.
    Duration pick() const;
    // True when no real check was recorded for `every` (and always before the first): the caller
    // runs one then, so that the samples never lag far behind the machine's load. One caller at
    // a time; members' own logins keep the samples current without it.
    bool takeRefresh(Clock::time_point now, Clock::duration every);

private:
    mutable std::mutex mutex_;
    std::array<Duration, kept> samples_{};
    std::size_t count_ = 0; // recorded, up to kept
    std::size_t next_ = 0;  // where the next sample goes
    Clock::time_point lastSample_{};
    bool refreshing_ = false;
};

} // namespace jaserelle::community
