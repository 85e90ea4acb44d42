#pragma once

#include "community/keys/keystore.h"
#include "community/presence/redislink.h"

#include <string>

namespace jaserelle::community {

// The key directory shared by every server process, in Redis: one string key per member
// ("peerkey:<pseudo>", its fingerprint), replaced by each publication and kept as long as the
// membership (a member publishes again at every login, so a Redis that lost it is filled again).
// A Redis that does not answer is a PresenceError,
// which the request gets as a server failure, never as "no key".
class RedisKeyDirectory final : public KeyStore
{
public:
    // url: "redis://host:port". Throws PresenceError when Redis cannot be reached.
    explicit RedisKeyDirectory(const std::string &url);

    bool publish(const std::string &pseudo, std::string_view fingerprint) override;
    std::vector<std::string> fingerprintsOf(std::span<const std::string> pseudos) override;

private:
    RedisLink redis_;
};

} // namespace jaserelle::community
