#include "community/core/throttle.h"

#include "community/core/text.h"

namespace jaserelle::community {

FailureThrottle::FailureThrottle(Clock clock) : FailureThrottle(std::move(clock), Limits{}) {}

FailureThrottle::FailureThrottle(Clock clock, Limits limits) : clock_(std::move(clock)), limits_(limits) {}

std::string FailureThrottle::addressKey(std::string_view address)
{
    return "a " + addressGroup(address);
}

bool FailureThrottle::blocked(const std::string &key)
{
    const auto now = clock_();
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(key);
    return it != entries_.end() && now < it->second.blockedUntil;
}

void FailureThrottle::failed(const std::string &key)
{
    const auto now = clock_();
    std::lock_guard lock(mutex_);
    auto it = entries_.find(key);
    if (it == entries_.end()) {
        if (entries_.size() >= limits_.maxKeys)
            dropStale(now);
        if (entries_.size() >= limits_.maxKeys)
            return;
        it = entries_.emplace(key, Entry{0, now, {}}).first;
    }
    Entry &e = it->second;
    if (now < e.blockedUntil)
        return;
    if (now - e.windowStart > limits_.window) {
        e.count = 0;
        e.windowStart = now;
    }
    if (++e.count >= limits_.failures) {
        e.count = 0;
        e.windowStart = now;
        e.blockedUntil = now + limits_.blockFor;
    }
}

void FailureThrottle::succeeded(const std::string &key)
{
    std::lock_guard lock(mutex_);
    entries_.erase(key);
}

void FailureThrottle::dropStale(std::chrono::system_clock::time_point now)
{
    // At most once a second: a full table under attack must not turn every failure into a scan.
    if (now - lastDrop_ < std::chrono::seconds(1))
        return;
    lastDrop_ = now;
    for (auto it = entries_.begin(); it != entries_.end();) {
        const bool stale = now >= it->second.blockedUntil && now - it->second.windowStart > limits_.window;
        it = stale ? entries_.erase(it) : std::next(it);
    }
}

} // namespace jaserelle::community
