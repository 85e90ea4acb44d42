#include "community/relay/redisrelaydirectory.h"

#include "community/presence/redissessions.h"
#include "community/relay/relaydirectory.h"

#include <hiredis.h>

namespace jaserelle::community {
namespace {
const std::string keyPrefix = "relayed:";
constexpr std::string_view keepSeconds = "86400";
} // namespace

RedisRelayDirectory::RedisRelayDirectory(const std::string &url, RedisSessions &sessions)
    : redis_(url), sessions_(sessions)
{
}

void RedisRelayDirectory::publish(const std::string &pseudo, std::string address, std::string sessionPassword)
{
    redis_.command({"SET", keyPrefix + pseudo, address + ' ' + sessions_.passwordDigest(sessionPassword),
                    "EX", keepSeconds});
}

void RedisRelayDirectory::withdraw(const std::string &pseudo)
{
    redis_.command({"DEL", keyPrefix + pseudo});
}

std::optional<std::string> RedisRelayDirectory::liveAddress(const std::string &pseudo, SessionStore &)
{
    const RedisLink::Reply r = redis_.command({"GET", keyPrefix + pseudo});
    if (r->type != REDIS_REPLY_STRING)
        return std::nullopt;
    const std::string_view value(r->str, r->len);
    const auto space = value.find(' ');
    const std::string address(value.substr(0, space));
    if (space == std::string_view::npos || !isRelayedAddress(address) ||
        !sessions_.liveWithDigest(pseudo, value.substr(space + 1))) {
        withdraw(pseudo);
        return std::nullopt;
    }
    return address;
}

} // namespace jaserelle::community
