#include "community/core/probelimits.h"

namespace jaserelle::community {

bool ProbeLimits::full(const std::unordered_map<std::string, Count> &counts, const std::string &key,
                       int limit, std::chrono::system_clock::time_point now) const
{
    const auto it = counts.find(key);
    return it != counts.end() && now - it->second.since <= limits_.window && it->second.probes >= limit;
}

bool ProbeLimits::allow(const std::string &member, const std::string &address)
{
    const auto now = clock_();
    std::lock_guard lock(mutex_);
    if (running_ >= limits_.inFlight || full(members_, member, limits_.perMember, now) ||
        full(addresses_, address, limits_.perAddress, now))
        return false;
    const std::size_t adding = (members_.contains(member) ? 0 : 1) + (addresses_.contains(address) ? 0 : 1);
    if (members_.size() + addresses_.size() + adding > limits_.maxKeys) {
        const auto finished = [&](const auto &e) { return now - e.second.since > limits_.window; };
        std::erase_if(members_, finished);
        std::erase_if(addresses_, finished);
        if (members_.size() + addresses_.size() + adding > limits_.maxKeys)
            return false;
    }
    for (Count *count : {&members_[member], &addresses_[address]}) {
        if (now - count->since > limits_.window)
            *count = {now, 0};
        ++count->probes;
    }
    ++running_;
    return true;
}

void ProbeLimits::finished()
{
    std::lock_guard lock(mutex_);
    --running_;
}

} // namespace jaserelle::community
