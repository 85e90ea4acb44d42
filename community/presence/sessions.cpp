#include "community/presence/sessions.h"

#include <mutex>
#include <sodium.h>
#include <stdexcept>

namespace jaserelle::community {

Sessions::Sessions(Clock clock, std::chrono::seconds lifetime) : clock_(std::move(clock)), lifetime_(lifetime)
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot start");
    randombytes_buf(key_.data(), key_.size());
}

Sessions::Digest Sessions::digest(std::string_view password) const
{
    Digest d{};
    crypto_generichash(d.data(), d.size(), reinterpret_cast<const unsigned char *>(password.data()),
                       password.size(), key_.data(), key_.size());
    return d;
}

bool Sessions::live(const Session &s, std::chrono::system_clock::time_point now) const
{
    return s.pinned || now - s.lastSeen <= lifetime_;
}

void Sessions::open(const std::string &pseudo, std::string_view password, std::string_view loginAddress,
                    std::string_view clientKey)
{
    Session s;
    s.passwordDigest = digest(password);
    s.loginAddress = std::string(loginAddress);
    s.clientKey = std::string(clientKey);
    s.lastSeen = clock_();
    std::unique_lock lock(mutex_);
    sessions_[pseudo] = std::move(s);
    // Expired sessions are dropped now and then, so the map follows who is connected.
    if (++opensSinceSweep_ >= 1024) {
        opensSinceSweep_ = 0;
        const auto now = clock_();
        for (auto it = sessions_.begin(); it != sessions_.end();)
            it = live(it->second, now) ? std::next(it) : sessions_.erase(it);
    }
}

bool Sessions::refresh(const std::string &pseudo, std::string_view password, std::string_view claimedAddress,
                       std::string_view observedAddress)
{
    const Digest d = digest(password);
    const auto now = clock_();
    std::unique_lock lock(mutex_);
    auto it = sessions_.find(pseudo);
    if (it == sessions_.end() || !live(it->second, now) ||
        sodium_memcmp(it->second.passwordDigest.data(), d.data(), d.size()) != 0)
        return false;
    it->second.lastSeen = now;
    PresenceAddress &a = it->second.address;
    if (a.claimed != claimedAddress)
        a.claimed = std::string(claimedAddress);
    if (a.observed != observedAddress)
        a.observed = std::string(observedAddress);
    return true;
}

bool Sessions::checkPassword(const std::string &pseudo, std::string_view password)
{
    const Digest d = digest(password);
    const auto now = clock_();
    std::shared_lock lock(mutex_);
    auto it = sessions_.find(pseudo);
    return it != sessions_.end() && live(it->second, now) &&
           sodium_memcmp(it->second.passwordDigest.data(), d.data(), d.size()) == 0;
}

bool Sessions::liveFrom(const std::string &pseudo, std::string_view address, std::string_view clientKey)
{
    const auto now = clock_();
    std::unique_lock lock(mutex_);
    auto it = sessions_.find(pseudo);
    if (it == sessions_.end() || it->second.pinned || !live(it->second, now) ||
        it->second.loginAddress != address ||
        (!it->second.clientKey.empty() && it->second.clientKey != clientKey))
        return false;
    it->second.lastSeen = now;
    return true;
}

std::optional<PresenceAddress> Sessions::presence(const std::string &pseudo,
                                                  std::chrono::system_clock::time_point now)
{
    std::shared_lock lock(mutex_);
    auto it = sessions_.find(pseudo);
    if (it == sessions_.end() || !live(it->second, now) || it->second.address.claimed.empty())
        return std::nullopt;
    return it->second.address;
}

void Sessions::presences(std::span<const std::string_view> pseudos, std::chrono::system_clock::time_point now,
                         std::vector<PresenceAddress> &out)
{
    out.resize(pseudos.size());
    std::shared_lock lock(mutex_);
    for (std::size_t i = 0; i < pseudos.size(); ++i) {
        auto it = sessions_.find(pseudos[i]);
        if (it != sessions_.end() && live(it->second, now))
            out[i] = it->second.address;
        else {
            out[i].claimed.clear();
            out[i].observed.clear();
        }
    }
}

void Sessions::close(const std::string &pseudo)
{
    std::unique_lock lock(mutex_);
    sessions_.erase(pseudo);
}

void Sessions::pin(const std::string &pseudo, std::string_view reportedAddress)
{
    Session s;
    s.passwordDigest = digest("");
    s.address = {std::string(reportedAddress), std::string(reportedAddress)};
    s.lastSeen = clock_();
    s.pinned = true;
    // A pinned session never matches a password: nobody can act in its name.
    randombytes_buf(s.passwordDigest.data(), s.passwordDigest.size());
    std::unique_lock lock(mutex_);
    sessions_[pseudo] = std::move(s);
}

std::size_t Sessions::sweep()
{
    const auto now = clock_();
    std::unique_lock lock(mutex_);
    for (auto it = sessions_.begin(); it != sessions_.end();) {
        if (live(it->second, now))
            ++it;
        else
            it = sessions_.erase(it);
    }
    return sessions_.size();
}

} // namespace jaserelle::community
