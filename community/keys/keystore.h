#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jaserelle::community {

// Where the members' published certificate fingerprints are kept: this process's memory
// (KeyDirectory) or, for several server processes behind one load balancer, Redis
// (RedisKeyDirectory), so that a key published through one node is found through any other.
class KeyStore
{
public:
    virtual ~KeyStore() = default;
    // False, and nothing kept, when `fingerprint` is not one (KeyDirectory::isFingerprint).
    virtual bool publish(const std::string &pseudo, std::string_view fingerprint) = 0;
    // out[i]: the fingerprint pseudos[i] published, empty when none. One lock, one round trip.
    virtual std::vector<std::string> fingerprintsOf(std::span<const std::string> pseudos) = 0;
};

} // namespace jaserelle::community
