#pragma once

#include "community/keys/keystore.h"

#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace jaserelle::community {

// The certificate fingerprints members' clients have published: how one client knows the key the
// other must present when they talk encrypted. One entry per member, replaced by each
// publication, so it grows with the membership and no further. Kept in memory: a client
// publishes again at every login, and a member whose key is unknown is simply called the legacy
// way.
class KeyDirectory final : public KeyStore
{
public:
    // A fingerprint as the clients write it: SHA-256 of the certificate, 64 lower-case hex digits.
    static bool isFingerprint(std::string_view text);

    // False, and nothing kept, when `fingerprint` is not one.
    bool publish(const std::string &pseudo, std::string_view fingerprint) override;
    std::vector<std::string> fingerprintsOf(std::span<const std::string> pseudos) override;

private:
    std::mutex mutex_;
    std::unordered_map<std::string, std::string> keys_;
};

} // namespace jaserelle::community
