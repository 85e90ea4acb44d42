#include "community/core/passwords.h"

#include <sodium.h>
#include <stdexcept>

namespace jaserelle::community {

PasswordHasher::PasswordHasher(Strength strength)
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot start");
    if (strength == Strength::Interactive) {
        opsLimit_ = 2;
        memLimit_ = 19u << 20;
    } else {
        opsLimit_ = crypto_pwhash_OPSLIMIT_MIN;
        memLimit_ = crypto_pwhash_MEMLIMIT_MIN;
    }
    dummyHash_ = hash("jaserelle-dummy-password");
    verifyDummy("jaserelle"); // the first sample of how long a check takes
}

std::string PasswordHasher::hash(std::string_view password) const
{
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(), opsLimit_, memLimit_) != 0)
        throw std::runtime_error("out of memory while hashing a password");
    return out;
}

bool PasswordHasher::verify(const std::string &hash, std::string_view password) const
{
    if (hash.empty() || hash.size() >= crypto_pwhash_STRBYTES)
        return false;
    const auto begun = CheckTimes::Clock::now();
    const bool good = crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
    const auto done = CheckTimes::Clock::now();
    times_.record(std::chrono::duration_cast<CheckTimes::Duration>(done - begun), done);
    return good;
}

bool PasswordHasher::needsRehash(const std::string &hash) const
{
    return crypto_pwhash_str_needs_rehash(hash.c_str(), opsLimit_, memLimit_) != 0;
}

void PasswordHasher::verifyDummy(std::string_view password) const
{
    (void)verify(dummyHash_, password);
}

std::chrono::microseconds PasswordHasher::dummyCheck(std::string_view password) const
{
    if (times_.takeRefresh(CheckTimes::Clock::now(), std::chrono::seconds(1))) {
        verifyDummy(password);
        return std::chrono::microseconds::zero();
    }
    return times_.pick();
}

} // namespace jaserelle::community
