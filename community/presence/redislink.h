#pragma once

#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct redisContext;
struct redisReply;

namespace jaserelle::community {

// One connection to Redis for a small table beside the sessions (the key directory, the relayed
// addresses): one command at a time, made again after a failure, each bounded by a timeout.
class RedisLink
{
public:
    struct FreeReply
    {
        void operator()(redisReply *r) const;
    };
    using Reply = std::unique_ptr<redisReply, FreeReply>;

    // url: "redis://host:port". Throws PresenceError when Redis cannot be reached.
    explicit RedisLink(const std::string &url);
    ~RedisLink();
    RedisLink(const RedisLink &) = delete;
    RedisLink &operator=(const RedisLink &) = delete;

    // Throws PresenceError when Redis does not answer or answers an error.
    Reply command(const std::vector<std::string_view> &args);

private:
    void connect(); // with mutex_ held
    std::string host_;
    int port_ = 6379;
    std::mutex mutex_;
    redisContext *c_ = nullptr;
};

} // namespace jaserelle::community
