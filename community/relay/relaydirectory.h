#pragma once

#include "community/relay/relaystore.h"

#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace jaserelle::community {

// Where the call relay is and the secret it shares with this server (--relay, --relay-secret).
struct RelaySettings
{
    std::string host;
    unsigned short port = 3478;
    std::string secret;
    // How long a pair of credentials stays good (a day): the client asks again before it runs out.
    int credentialSeconds = 86400;
};

// The relayed addresses members publish while nobody can reach them directly. An entry belongs
// to the session it was published in: it carries that session's password, and whoever reads it
// checks that the session is still the one that published it (SessionStore::checkPassword), so a
// session that ended takes its address with it even when nobody withdrew it. One entry per
// member, so the table never outgrows the members connected.
class RelayDirectory final : public RelayStore
{
public:
    struct Entry
    {
        std::string address; // "a.b.c.d:port" on the relay
        std::string sessionPassword;
    };

    void publish(const std::string &pseudo, std::string address, std::string sessionPassword) override;
    void withdraw(const std::string &pseudo) override;
    std::optional<std::string> liveAddress(const std::string &pseudo, SessionStore &sessions) override;
    std::optional<Entry> find(const std::string &pseudo) const;

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

// "a.b.c.d:port" with a dotted IPv4 address and a port 1-65535: what a relay allocates.
bool isRelayedAddress(std::string_view text);

} // namespace jaserelle::community
