#include "community/core/recentlogins.h"

#include "community/core/text.h"

namespace jaserelle::community {

RecentLogins::RecentLogins(Clock clock) : RecentLogins(std::move(clock), Limits{}) {}

RecentLogins::RecentLogins(Clock clock, Limits limits) : clock_(std::move(clock)), limits_(limits) {}

std::string RecentLogins::keyOf(std::string_view pseudo, std::string_view address)
{
    return std::string(pseudo) + ' ' + networkPrefix(address);
}

void RecentLogins::succeeded(std::string_view pseudo, std::string_view address)
{
    if (pseudo.empty())
        return;
    std::string key = keyOf(pseudo, address);
    const auto now = clock_();
    std::lock_guard lock(mutex_);
    if (const auto it = entries_.find(key); it != entries_.end()) {
        it->second.seen = now;
        order_.splice(order_.begin(), order_, it->second.place);
        return;
    }
    if (limits_.maxEntries == 0)
        return;
    while (entries_.size() >= limits_.maxEntries) {
        entries_.erase(order_.back());
        order_.pop_back();
    }
    order_.push_front(key);
    entries_.emplace(std::move(key), Entry{now, order_.begin()});
}

bool RecentLogins::recent(std::string_view pseudo, std::string_view address)
{
    if (pseudo.empty())
        return false;
    const std::string key = keyOf(pseudo, address);
    const auto now = clock_();
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(key);
    if (it == entries_.end())
        return false;
    if (now - it->second.seen > limits_.remembered) {
        order_.erase(it->second.place);
        entries_.erase(it);
        return false;
    }
    return true;
}

} // namespace jaserelle::community
