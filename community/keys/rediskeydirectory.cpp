#include "community/keys/rediskeydirectory.h"

#include "community/keys/keydirectory.h"
#include "community/presence/redissessions.h"

#include <hiredis.h>

namespace jaserelle::community {
namespace {
const std::string keyPrefix = "peerkey:";
} // namespace

RedisKeyDirectory::RedisKeyDirectory(const std::string &url) : redis_(url) {}

bool RedisKeyDirectory::publish(const std::string &pseudo, std::string_view fingerprint)
{
    if (pseudo.empty() || !KeyDirectory::isFingerprint(fingerprint))
        return false;
    redis_.command({"SET", keyPrefix + pseudo, fingerprint});
    return true;
}

std::vector<std::string> RedisKeyDirectory::fingerprintsOf(std::span<const std::string> pseudos)
{
    std::vector<std::string> out(pseudos.size());
    if (pseudos.empty())
        return out;
    std::vector<std::string> keys;
    keys.reserve(pseudos.size());
    std::vector<std::string_view> args{"MGET"};
    for (const std::string &pseudo : pseudos)
        args.emplace_back(keys.emplace_back(keyPrefix + pseudo));
    const RedisLink::Reply r = redis_.command(args);
    if (r->type != REDIS_REPLY_ARRAY || r->elements != pseudos.size())
        throw PresenceError("redis: MGET answered no list of the keys asked");
    for (std::size_t i = 0; i < r->elements; ++i) {
        const redisReply *e = r->element[i];
        // Whatever else another writer left there is no fingerprint a client could check.
        if (e->type == REDIS_REPLY_STRING && KeyDirectory::isFingerprint({e->str, e->len}))
            out[i].assign(e->str, e->len);
    }
    return out;
}

} // namespace jaserelle::community
