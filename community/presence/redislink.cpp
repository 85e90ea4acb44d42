#include "community/presence/redislink.h"

#include "community/presence/redissessions.h"

#include <hiredis.h>

namespace jaserelle::community {
namespace {
constexpr timeval redisTimeout{2, 0};
} // namespace

void RedisLink::FreeReply::operator()(redisReply *r) const
{
    freeReplyObject(r);
}

RedisLink::RedisLink(const std::string &url)
{
    if (!parseRedisUrl(url, host_, port_))
        throw PresenceError("--presence takes a redis://host:port address, not " + url);
    const std::lock_guard lock(mutex_);
    connect();
}

RedisLink::~RedisLink()
{
    if (c_)
        redisFree(c_);
}

void RedisLink::connect()
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
        throw PresenceError("redis " + host_ + ":" + std::to_string(port_) + ": " + why);
    }
    redisSetTimeout(c_, redisTimeout);
}

RedisLink::Reply RedisLink::command(const std::vector<std::string_view> &args)
{
    std::vector<const char *> argv;
    std::vector<std::size_t> lens;
    argv.reserve(args.size());
    lens.reserve(args.size());
    for (const std::string_view a : args) {
        argv.push_back(a.data());
        lens.push_back(a.size());
    }
    const std::lock_guard lock(mutex_);
    connect();
    Reply r(static_cast<redisReply *>(
        redisCommandArgv(c_, static_cast<int>(argv.size()), argv.data(), lens.data())));
    if (!r)
        throw PresenceError(std::string("redis: ") + c_->errstr);
    if (r->type == REDIS_REPLY_ERROR)
        throw PresenceError(std::string("redis: ") + r->str);
    return r;
}

} // namespace jaserelle::community
