#pragma once

#include <optional>
#include <string>

namespace jaserelle::community {

class SessionStore;

// Where the members' relayed addresses are kept: this process's memory (RelayDirectory) or, for
// several server processes behind one load balancer, Redis (RedisRelayDirectory). An address
// belongs to the session it was published in, and is handed out only while that session lives.
class RelayStore
{
public:
    virtual ~RelayStore() = default;
    // `sessionPassword`: the password of the publishing session, which ties the address to it.
    virtual void publish(const std::string &pseudo, std::string address, std::string sessionPassword) = 0;
    virtual void withdraw(const std::string &pseudo) = 0;
    // The address `pseudo` published, while the session that published it is still the live one;
    // an address whose session ended is forgotten.
    virtual std::optional<std::string> liveAddress(const std::string &pseudo, SessionStore &sessions) = 0;
};

} // namespace jaserelle::community
