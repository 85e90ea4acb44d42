#include "community/core/probelimits.h"

namespace jaserelle::community {

void ProbeLimits::dropStale(std::chrono::system_clock::time_point now)
{
    std::erase_if(addresses_, [&](const auto &e) { return now - e.second.at > limits_.addressWindow; });
    std::erase_if(members_, [&](const auto &e) { return now - e.second > limits_.memberWindow; });
}

ProbeLimits::Decision ProbeLimits::decide(const std::string &member, const std::string &address)
{
    const auto now = clock_();
    std::lock_guard lock(mutex_);
    if (auto it = addresses_.find(address);
        it != addresses_.end() && now - it->second.at <= limits_.addressWindow)
        return {Verdict::Known, it->second.reached};
    if (auto it = members_.find(member); it != members_.end() && now - it->second <= limits_.memberWindow)
        return {Verdict::Later};
    if (running_ >= limits_.inFlight)
        return {Verdict::Later};
    if (addresses_.size() + members_.size() >= limits_.maxKeys) {
        dropStale(now);
        if (addresses_.size() + members_.size() >= limits_.maxKeys)
            return {Verdict::Later};
    }
    members_[member] = now;
    ++running_;
    return {Verdict::Probe};
}

void ProbeLimits::record(const std::string &address, bool reached)
{
    const auto now = clock_();
    std::lock_guard lock(mutex_);
    --running_;
    addresses_[address] = {now, reached};
}

} // namespace jaserelle::community
