#pragma once

#include "community/core/checktimes.h"

#include <chrono>
#include <string>
#include <string_view>

namespace jaserelle::community {

// libsodium's crypto_pwhash_str (Argon2id). In production 2 passes over 19 MiB, the least OWASP
// advises for Argon2id: libsodium's interactive 64 MiB took 180 ms of a core per check on a 2-core
// server, which then let in at most 11 logins a second with both cores doing nothing else, and
// members waited seconds at nine o'clock. The minimal limits keep the tests fast. A hash carries
// its own limits, so verifying works for every hash ever stored; a member's older, dearer hash is
// replaced at his next good login (needsRehash).
class PasswordHasher
{
public:
    enum class Strength
    {
        Interactive,
        Minimal
    };
    explicit PasswordHasher(Strength strength = Strength::Interactive);

    std::string hash(std::string_view password) const;
    bool verify(const std::string &hash, std::string_view password) const;
    // Whether a stored hash was made with other limits than this hasher's.
    bool needsRehash(const std::string &hash) const;

    // Runs a verification that always fails, taking as long as a real one: a login for an
    // unknown pseudo costs the same time as a wrong password.
    void verifyDummy(std::string_view password) const;
    // The same for a pseudo that does not exist, mostly without the hash: how long to hold the
    // refusal so that it takes as long as a real check does lately (CheckTimes). When no real
    // check ran for a second it runs the hash instead, to keep those times current, and returns zero.
    std::chrono::microseconds dummyCheck(std::string_view password) const;

private:
    unsigned long long opsLimit_;
    std::size_t memLimit_;
    std::string dummyHash_;
    mutable CheckTimes times_; // of every verification
};

} // namespace jaserelle::community
