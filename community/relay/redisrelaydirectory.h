#pragma once

#include "community/presence/redislink.h"
#include "community/relay/relaystore.h"

namespace jaserelle::community {

class RedisSessions;

// The relayed addresses shared by every server process, in Redis: "relayed:<pseudo>" holds the
// address and the keyed digest of the publishing session's password (never the password), and
// an address is handed out while the live session in Redis has that digest. The key goes when
// withdrawn, when found stale, or a day after its publication at the latest (as long as the
// relay's credentials last).
class RedisRelayDirectory final : public RelayStore
{
public:
    RedisRelayDirectory(const std::string &url, RedisSessions &sessions);

    void publish(const std::string &pseudo, std::string address, std::string sessionPassword) override;
    void withdraw(const std::string &pseudo) override;
    std::optional<std::string> liveAddress(const std::string &pseudo, SessionStore &sessions) override;

private:
    RedisLink redis_;
    RedisSessions &sessions_;
};

} // namespace jaserelle::community
