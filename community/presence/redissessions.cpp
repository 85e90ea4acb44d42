#include "community/presence/redissessions.h"

#include <charconv>
#include <hiredis.h>
#include <sodium.h>

namespace jaserelle::community {
namespace {

const char *const keyPrefix = "session:";
const char *const digestKeyName = "sessions:digest-key";

std::string keyOf(std::string_view pseudo)
{
    std::string k(keyPrefix);
    k += pseudo;
    return k;
}

long long millis(std::chrono::system_clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

struct Reply
{
    redisReply *r;
    explicit Reply(void *p) : r(static_cast<redisReply *>(p)) {}
    ~Reply()
    {
        if (r)
            freeReplyObject(r);
    }
    Reply(Reply &&other) noexcept : r(other.r) { other.r = nullptr; }
    Reply(const Reply &) = delete;
    Reply &operator=(const Reply &) = delete;
};

} // namespace

bool parseRedisUrl(const std::string &url, std::string &host, int &port)
{
    const std::string scheme = "redis://";
    if (url.rfind(scheme, 0) != 0)
        return false;
    std::string rest = url.substr(scheme.size());
    rest = rest.substr(0, rest.find('/'));
    const auto colon = rest.rfind(':');
    host = rest.substr(0, colon);
    port = 6379;
    if (colon != std::string::npos) {
        const auto p = rest.substr(colon + 1);
        if (std::from_chars(p.data(), p.data() + p.size(), port).ec != std::errc() || port < 1 ||
            port > 65535)
            return false;
    }
    return !host.empty();
}

// Fields, space-separated: last seen (ms since the epoch), pinned (0/1), password digest (hex),
// login address, claimed address, observed address, then the client key the session is bound to
// when it has one. Addresses and keys hold no space. A record written by a process that kept no
// observed address (five fields) is read as seen from its login address, so processes of both
// kinds can share one Redis while they are replaced one by one.
struct RedisSessions::Session
{
    long long lastSeenMs = 0;
    bool pinned = false;
    std::string digest;
    std::string loginAddress;
    PresenceAddress address;
    std::string clientKey;

    std::string text() const
    {
        return std::to_string(lastSeenMs) + (pinned ? " 1 " : " 0 ") + digest + ' ' + loginAddress + ' ' +
               address.claimed + ' ' + address.observed +
               (clientKey.empty() ? std::string() : ' ' + clientKey);
    }
    static std::optional<Session> parse(std::string_view v)
    {
        std::string_view f[5];
        for (int i = 0; i < 4; ++i) {
            const auto sp = v.find(' ');
            if (sp == std::string_view::npos)
                return std::nullopt;
            f[i] = v.substr(0, sp);
            v.remove_prefix(sp + 1);
        }
        f[4] = v;
        Session s;
        if (std::from_chars(f[0].data(), f[0].data() + f[0].size(), s.lastSeenMs).ec != std::errc())
            return std::nullopt;
        s.pinned = f[1] == "1";
        s.digest = f[2];
        s.loginAddress = f[3];
        const auto sp = f[4].find(' ');
        s.address.claimed = f[4].substr(0, sp);
        if (sp == std::string_view::npos) {
            s.address.observed = f[3];
        } else {
            std::string_view rest = f[4].substr(sp + 1);
            const auto keyAt = rest.find(' ');
            s.address.observed = rest.substr(0, keyAt);
            if (keyAt != std::string_view::npos)
                s.clientKey = rest.substr(keyAt + 1);
        }
        if (s.address.observed == "-")
            s.address.observed = s.address.claimed;
        return s;
    }
};

// A connection borrowed for one operation; one that failed is closed rather than lent again.
class RedisSessions::Lease
{
public:
    Lease(RedisSessions &owner, redisContext *c) : owner_(owner), c_(c) {}
    ~Lease()
    {
        std::lock_guard lock(owner_.poolMutex_);
        --owner_.lent_;
        if (c_ && c_->err == 0)
            owner_.idle_.push_back(c_);
        else if (c_)
            redisFree(c_);
        owner_.poolFree_.notify_one();
    }
    Lease(const Lease &) = delete;
    Lease &operator=(const Lease &) = delete;

    // One command; throws PresenceError when Redis does not answer or answers an error.
    Reply command(const std::vector<std::string_view> &args)
    {
        std::vector<const char *> argv;
        std::vector<std::size_t> lens;
        argv.reserve(args.size());
        lens.reserve(args.size());
        for (auto a : args) {
            argv.push_back(a.data());
            lens.push_back(a.size());
        }
        Reply r(redisCommandArgv(c_, static_cast<int>(argv.size()), argv.data(), lens.data()));
        if (!r.r)
            throw PresenceError(std::string("redis: ") + c_->errstr);
        if (r.r->type == REDIS_REPLY_ERROR)
            throw PresenceError(std::string("redis: ") + r.r->str);
        return r;
    }

private:
    RedisSessions &owner_;
    redisContext *c_;
};

RedisSessions::RedisSessions(const std::string &url, Clock clock, std::chrono::seconds lifetime, int poolSize,
                             bool watch)
    : clock_(std::move(clock)), lifetime_(lifetime), poolSize_(poolSize < 1 ? 1 : poolSize)
{
    if (sodium_init() < 0)
        throw PresenceError("libsodium cannot start");
    if (!parseRedisUrl(url, host_, port_))
        throw PresenceError("--presence takes a redis://host:port address, not " + url);
    // The digest key is drawn by the first process and read by all the others.
    std::array<unsigned char, 32> drawn{};
    randombytes_buf(drawn.data(), drawn.size());
    const std::string_view drawnText(reinterpret_cast<const char *>(drawn.data()), drawn.size());
    auto c = lease();
    c.command({"SET", digestKeyName, drawnText, "NX"});
    const Reply r = c.command({"GET", digestKeyName});
    if (r.r->type != REDIS_REPLY_STRING || r.r->len != key_.size())
        throw PresenceError("redis: the sessions' digest key is not 32 bytes");
    std::copy(r.r->str, r.r->str + r.r->len, key_.begin());
    std::array<unsigned char, 8> id{};
    randombytes_buf(id.data(), id.size());
    char hex[2 * id.size() + 1];
    sodium_bin2hex(hex, sizeof hex, id.data(), id.size());
    markKey_ = std::string("sessions:node:") + hex;
    c.command({"SET", markKey_, "1"});
    if (watch)
        watcher_ = std::thread([this] { this->watch(); });
}

RedisSessions::~RedisSessions()
{
    {
        std::lock_guard lock(watchMutex_);
        stopping_ = true;
    }
    watchWake_.notify_all();
    if (watcher_.joinable())
        watcher_.join();
    for (auto *c : idle_)
        redisFree(c);
}

void RedisSessions::watch()
{
    std::unique_lock lock(watchMutex_);
    for (int tick = 1; !watchWake_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; });
         ++tick) {
        lock.unlock();
        try {
            restoreIfLost();
            if (tick % 60 == 0)
                dropLapsed();
        } catch (const PresenceError &) {
            // Redis away: the requests say so with their 503s; looked at again in a second.
        }
        lock.lock();
    }
}

void RedisSessions::hold(const std::string &pseudo, const Session *s)
{
    std::lock_guard lock(heldMutex_);
    if (s)
        held_[pseudo] = s->text();
    else
        held_.erase(pseudo);
}

void RedisSessions::dropLapsed()
{
    const auto now = clock_();
    std::lock_guard lock(heldMutex_);
    std::erase_if(held_, [&](const auto &entry) {
        const auto s = Session::parse(entry.second);
        return !s || !live(*s, now);
    });
}

bool RedisSessions::restoreIfLost()
{
    // Each process keeps a mark of its own in Redis: gone, Redis has lost what this process wrote,
    // whichever process noticed first and put the digest key back.
    auto c = lease();
    const Reply mark = c.command({"EXISTS", markKey_});
    if (mark.r->type == REDIS_REPLY_INTEGER && mark.r->integer == 1)
        return false;
    const std::string_view keyText(reinterpret_cast<const char *>(key_.data()), key_.size());
    c.command({"SET", digestKeyName, keyText, "NX"});

    std::vector<std::pair<std::string, std::string>> held;
    {
        std::lock_guard lock(heldMutex_);
        held.assign(held_.begin(), held_.end());
    }
    const auto now = clock_();
    const std::string ttl = std::to_string(lifetime_.count() + 10);
    std::vector<std::string> lapsed;
    for (const auto &[pseudo, value] : held) {
        const auto s = Session::parse(value);
        if (!s || !live(*s, now)) {
            lapsed.push_back(pseudo);
            continue;
        }
        const std::string key = keyOf(pseudo);
        // NX: a session renewed through another process since the loss is newer than this copy.
        if (s->pinned)
            c.command({"SET", key, value, "NX"});
        else
            c.command({"SET", key, value, "NX", "EX", ttl});
    }
    c.command({"SET", markKey_, "1"});
    std::lock_guard lock(heldMutex_);
    for (const auto &p : lapsed)
        held_.erase(p);
    return true;
}

RedisSessions::Lease RedisSessions::lease()
{
    std::unique_lock lock(poolMutex_);
    poolFree_.wait(lock, [this] { return !idle_.empty() || lent_ < poolSize_; });
    ++lent_;
    if (!idle_.empty()) {
        auto *c = idle_.back();
        idle_.pop_back();
        return Lease(*this, c);
    }
    lock.unlock();
    const timeval timeout{2, 0};
    redisContext *c = redisConnectWithTimeout(host_.c_str(), port_, timeout);
    if (!c || c->err) {
        const std::string why = c ? c->errstr : "out of memory";
        if (c)
            redisFree(c);
        lock.lock();
        --lent_;
        poolFree_.notify_one();
        throw PresenceError("redis " + host_ + ":" + std::to_string(port_) + ": " + why);
    }
    redisSetTimeout(c, timeout);
    return Lease(*this, c);
}

std::string RedisSessions::digest(std::string_view password) const
{
    std::array<unsigned char, 32> d{};
    crypto_generichash(d.data(), d.size(), reinterpret_cast<const unsigned char *>(password.data()),
                       password.size(), key_.data(), key_.size());
    std::string hex(d.size() * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), d.data(), d.size());
    hex.pop_back();
    return hex;
}

bool RedisSessions::live(const Session &s, std::chrono::system_clock::time_point now) const
{
    return s.pinned || millis(now) - s.lastSeenMs <= std::chrono::milliseconds(lifetime_).count();
}

std::optional<RedisSessions::Session> RedisSessions::read(const std::string &pseudo)
{
    auto c = lease();
    const Reply r = c.command({"GET", keyOf(pseudo)});
    if (r.r->type != REDIS_REPLY_STRING)
        return std::nullopt;
    return Session::parse(std::string_view(r.r->str, r.r->len));
}

void RedisSessions::write(const std::string &pseudo, const Session &s)
{
    auto c = lease();
    const std::string key = keyOf(pseudo);
    const std::string value = s.text();
    if (s.pinned) {
        c.command({"SET", key, value});
    } else {
        // A few seconds beyond the lifetime: the timestamp decides, the time-to-live only cleans up.
        const std::string ttl = std::to_string(lifetime_.count() + 10);
        c.command({"SET", key, value, "EX", ttl});
    }
    hold(pseudo, &s);
}

void RedisSessions::open(const std::string &pseudo, std::string_view password, std::string_view loginAddress,
                         std::string_view clientKey)
{
    Session s;
    s.lastSeenMs = millis(clock_());
    s.digest = digest(password);
    s.loginAddress = std::string(loginAddress);
    s.clientKey = std::string(clientKey);
    write(pseudo, s);
}

bool RedisSessions::refresh(const std::string &pseudo, std::string_view password,
                            std::string_view claimedAddress, std::string_view observedAddress)
{
    const auto now = clock_();
    auto s = read(pseudo);
    if (!s || s->pinned || !live(*s, now) || s->digest.size() != 64 ||
        sodium_memcmp(s->digest.data(), digest(password).data(), 64) != 0)
        return false;
    s->lastSeenMs = millis(now);
    s->address = {std::string(claimedAddress), std::string(observedAddress)};
    write(pseudo, *s);
    return true;
}

bool RedisSessions::checkPassword(const std::string &pseudo, std::string_view password)
{
    const auto s = read(pseudo);
    return s && !s->pinned && live(*s, clock_()) && s->digest.size() == 64 &&
           sodium_memcmp(s->digest.data(), digest(password).data(), 64) == 0;
}

bool RedisSessions::liveWithDigest(const std::string &pseudo, std::string_view passwordDigest)
{
    const auto s = read(pseudo);
    return s && !s->pinned && live(*s, clock_()) && s->digest.size() == 64 && passwordDigest.size() == 64 &&
           sodium_memcmp(s->digest.data(), passwordDigest.data(), 64) == 0;
}

bool RedisSessions::liveFrom(const std::string &pseudo, std::string_view address, std::string_view clientKey)
{
    const auto now = clock_();
    auto s = read(pseudo);
    if (!s || s->pinned || !live(*s, now) || s->loginAddress != address ||
        (!s->clientKey.empty() && s->clientKey != clientKey))
        return false;
    s->lastSeenMs = millis(now);
    write(pseudo, *s);
    return true;
}

std::optional<PresenceAddress> RedisSessions::presence(const std::string &pseudo,
                                                       std::chrono::system_clock::time_point now)
{
    auto s = read(pseudo);
    if (!s || !live(*s, now) || s->address.claimed.empty())
        return std::nullopt;
    return std::move(s->address);
}

void RedisSessions::presences(std::span<const std::string_view> pseudos,
                              std::chrono::system_clock::time_point now, std::vector<PresenceAddress> &out)
{
    out.assign(pseudos.size(), PresenceAddress());
    if (pseudos.empty())
        return;
    std::vector<std::string> keys;
    keys.reserve(pseudos.size());
    std::vector<std::string_view> args{"MGET"};
    for (auto p : pseudos)
        args.push_back(keys.emplace_back(keyOf(p)));
    auto c = lease();
    const Reply r = c.command(args);
    if (r.r->type != REDIS_REPLY_ARRAY || r.r->elements != pseudos.size())
        throw PresenceError("redis: MGET answered no list");
    for (std::size_t i = 0; i < pseudos.size(); ++i) {
        const redisReply *e = r.r->element[i];
        if (e->type != REDIS_REPLY_STRING)
            continue;
        auto s = Session::parse(std::string_view(e->str, e->len));
        if (s && live(*s, now))
            out[i] = std::move(s->address);
    }
}

void RedisSessions::close(const std::string &pseudo)
{
    auto c = lease();
    c.command({"DEL", keyOf(pseudo)});
    hold(pseudo, nullptr);
}

void RedisSessions::pin(const std::string &pseudo, std::string_view reportedAddress)
{
    Session s;
    s.lastSeenMs = millis(clock_());
    s.pinned = true;
    s.digest = "-"; // matches no password: nobody can act in a pinned member's name
    s.loginAddress = "-";
    s.address = {std::string(reportedAddress), std::string(reportedAddress)};
    write(pseudo, s);
}

} // namespace jaserelle::community
