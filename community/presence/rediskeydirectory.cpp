#include "community/presence/rediskeydirectory.h"

#include "community/core/keydirectory.h"
#include "community/presence/redissessions.h"

#include <hiredis.h>
#include <memory>

namespace jaserelle::community {
namespace {

const std::string keyPrefix = "peerkey:";
constexpr timeval redisTimeout{2, 0};

struct FreeReply
{
    void operator()(redisReply *r) const { freeReplyObject(r); }
};
using Reply = std::unique_ptr<redisReply, FreeReply>;

} // namespace

RedisKeyDirectory::RedisKeyDirectory(const std::string &url)
{
    if (!parseRedisUrl(url, host_, port_))
        throw PresenceError("--presence takes a redis://host:port address, not " + url);
    const std::lock_guard lock(mutex_);
    connect();
}

RedisKeyDirectory::~RedisKeyDirectory()
{
    if (c_)
        redisFree(c_);
}

void RedisKeyDirectory::connect()
{
    if (c_ && c_->err == 0)
        return;
    if (c_)
        redisFree(c_);
    c_ = redisConnectWithTimeout(host_.c_str(), port_, redisTimeout);
    if (!c_ || c_->err) {
        const std::string why = c_ ? c_->errstr : "out of memory";
        if (c_)
            redisFree(c_);
        c_ = nullptr;
        throw PresenceError("redis: " + why);
    }
    redisSetTimeout(c_, redisTimeout);
}

bool RedisKeyDirectory::publish(const std::string &pseudo, std::string_view fingerprint)
{
    if (pseudo.empty() || !KeyDirectory::isFingerprint(fingerprint))
        return false;
    const std::string key = keyPrefix + pseudo;
    const char *argv[] = {"SET", key.data(), fingerprint.data()};
    const std::size_t lens[] = {3, key.size(), fingerprint.size()};
    const std::lock_guard lock(mutex_);
    connect();
    const Reply r(static_cast<redisReply *>(redisCommandArgv(c_, 3, argv, lens)));
    if (!r || r->type == REDIS_REPLY_ERROR)
        throw PresenceError(std::string("redis: ") + (r ? r->str : c_->errstr));
    return true;
}

std::vector<std::string> RedisKeyDirectory::fingerprintsOf(std::span<const std::string> pseudos)
{
    std::vector<std::string> out(pseudos.size());
    if (pseudos.empty())
        return out;
    std::vector<std::string> keys;
    std::vector<const char *> argv{"MGET"};
    std::vector<std::size_t> lens{4};
    keys.reserve(pseudos.size());
    for (const std::string &pseudo : pseudos) {
        keys.push_back(keyPrefix + pseudo);
        argv.push_back(keys.back().data());
        lens.push_back(keys.back().size());
    }
    const std::lock_guard lock(mutex_);
    connect();
    const Reply r(static_cast<redisReply *>(
        redisCommandArgv(c_, static_cast<int>(argv.size()), argv.data(), lens.data())));
    if (!r || r->type != REDIS_REPLY_ARRAY || r->elements != pseudos.size())
        throw PresenceError(std::string("redis: ") + (!r ? c_->errstr : r->type == REDIS_REPLY_ERROR ? r->str : "MGET"));
    for (std::size_t i = 0; i < r->elements; ++i) {
        const redisReply *e = r->element[i];
        // Whatever else another writer left there is no fingerprint a client could check.
        if (e->type == REDIS_REPLY_STRING && KeyDirectory::isFingerprint({e->str, e->len}))
            out[i].assign(e->str, e->len);
    }
    return out;
}

} // namespace jaserelle::community
