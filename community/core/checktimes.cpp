#include "community/core/checktimes.h"

#include <random>

namespace jaserelle::community {

void CheckTimes::record(Duration took, Clock::time_point now)
{
    std::lock_guard lock(mutex_);
    lastSample_ = now;
    samples_[next_] = took;
    next_ = (next_ + 1) % kept;
    if (count_ < kept)
        ++count_;
    refreshing_ = false;
}

CheckTimes::Duration CheckTimes::pick() const
{
    thread_local std::minstd_rand random{std::random_device{}()};
    std::lock_guard lock(mutex_);
    if (count_ == 0)
        return Duration::zero();
    return samples_[std::uniform_int_distribution<std::size_t>(0, count_ - 1)(random)];
}

bool CheckTimes::takeRefresh(Clock::time_point now, Clock::duration every)
{
    std::lock_guard lock(mutex_);
    // Before the first sample every caller checks for real (they all must take a check's time).
    if (count_ == 0)
        return true;
    if (refreshing_ || now - lastSample_ < every)
        return false;
    refreshing_ = true;
    return true;
}

} // namespace jaserelle::community
