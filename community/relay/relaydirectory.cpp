#include "community/relay/relaydirectory.h"

#include "community/core/text.h"
#include "community/presence/sessionstore.h"

#include <charconv>

namespace jaserelle::community {

void RelayDirectory::publish(const std::string &pseudo, std::string address, std::string sessionPassword)
{
    const std::lock_guard lock(mutex_);
    entries_[pseudo] = Entry{std::move(address), std::move(sessionPassword)};
}

void RelayDirectory::withdraw(const std::string &pseudo)
{
    const std::lock_guard lock(mutex_);
    entries_.erase(pseudo);
}

std::optional<RelayDirectory::Entry> RelayDirectory::find(const std::string &pseudo) const
{
    const std::lock_guard lock(mutex_);
    const auto it = entries_.find(pseudo);
    if (it == entries_.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::string> RelayDirectory::liveAddress(const std::string &pseudo, SessionStore &sessions)
{
    const auto entry = find(pseudo);
    if (!entry)
        return std::nullopt;
    if (!sessions.checkPassword(pseudo, entry->sessionPassword)) {
        withdraw(pseudo);
        return std::nullopt;
    }
    return entry->address;
}

bool isRelayedAddress(std::string_view text)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || !isDottedIpv4(text.substr(0, colon)))
        return false;
    const std::string_view port = text.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.front() == '0')
        return false;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    return error == std::errc() && end == port.data() + port.size() && value >= 1 && value <= 65535;
}

} // namespace jaserelle::community
