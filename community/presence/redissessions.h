#pragma once

#include "community/core/clock.h"
#include "community/presence/sessionstore.h"

#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

struct redisContext;

namespace jaserelle::community {

class PresenceError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Sessions shared by every server process, in Redis: one key per member, holding when it was last
// seen (by the server's clock), the keyed digest of its password, its login address, the address
// it claims and the one its refreshes come from. The key lives `lifetime` past its last renewal and Redis
// drops it then; whether a session is live is still decided by the timestamp, so every process judges alike.
// The digest key is drawn once and kept in Redis, so a session opened through one process is checked by any
// other.
class RedisSessions final : public SessionStore
{
public:
    // url: "redis://host:port". Throws PresenceError when Redis cannot be reached. `watch`: a
    // thread calls restoreIfLost() every second.
    RedisSessions(const std::string &url, Clock clock,
                  std::chrono::seconds lifetime = std::chrono::seconds(90), int poolSize = 8,
                  bool watch = true);
    ~RedisSessions() override;

    void open(const std::string &pseudo, std::string_view password, std::string_view loginAddress,
              std::string_view clientKey = {}) override;
    bool refresh(const std::string &pseudo, std::string_view password, std::string_view claimedAddress,
                 std::string_view observedAddress) override;
    bool checkPassword(const std::string &pseudo, std::string_view password) override;
    bool liveFrom(const std::string &pseudo, std::string_view address,
                  std::string_view clientKey = {}) override;
    using SessionStore::presence;
    std::optional<PresenceAddress> presence(const std::string &pseudo,
                                            std::chrono::system_clock::time_point now) override;
    void presences(std::span<const std::string_view> pseudos, std::chrono::system_clock::time_point now,
                   std::vector<PresenceAddress> &out) override;
    std::chrono::system_clock::time_point now() const override { return clock_(); }
    void close(const std::string &pseudo) override;
    void pin(const std::string &pseudo, std::string_view reportedAddress) override;

    // Redis restarted without its data, or was emptied: writes back the digest key and every
    // live session this process holds (without overwriting any written meanwhile), so that a
    // Redis restart logs nobody out. True when it did. Called every second by a thread of its own.
    bool restoreIfLost();

    // What ties a record beside the session (a relayed address) to the session it was made in,
    // without keeping the password: its keyed digest, and whether the live session still has it.
    std::string passwordDigest(std::string_view password) const { return digest(password); }
    bool liveWithDigest(const std::string &pseudo, std::string_view passwordDigest);

    class Lease;

private:
    struct Session;
    Lease lease();
    std::string digest(std::string_view password) const;
    std::optional<Session> read(const std::string &pseudo);
    void write(const std::string &pseudo, const Session &s);
    bool live(const Session &s, std::chrono::system_clock::time_point now) const;

    std::string host_;
    int port_ = 6379;
    Clock clock_;
    std::chrono::seconds lifetime_;
    std::array<unsigned char, 32> key_{};
    int poolSize_;
    std::mutex poolMutex_;
    std::condition_variable poolFree_;
    int lent_ = 0;
    std::vector<redisContext *> idle_;

    // The sessions this process wrote last, as it wrote them: what it puts back after a loss.
    void hold(const std::string &pseudo, const Session *s);
    void watch();
    void dropLapsed();
    std::mutex heldMutex_;
    std::unordered_map<std::string, std::string> held_; // pseudo -> the value written
    std::string markKey_; // this process's mark in Redis, gone when Redis lost its data
    std::mutex watchMutex_;
    std::condition_variable watchWake_;
    bool stopping_ = false;
    std::thread watcher_;
};

// "redis://host:port" -> host and port; false when it is no such address.
bool parseRedisUrl(const std::string &url, std::string &host, int &port);

} // namespace jaserelle::community
