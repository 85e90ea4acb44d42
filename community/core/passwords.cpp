#include "community/core/passwords.h"

#include <sodium.h>

#include <stdexcept>

namespace jaserelle::community {

PasswordHasher::PasswordHasher(Strength strength)
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot start");
    if (strength == Strength::Interactive) {
        opsLimit_ = crypto_pwhash_OPSLIMIT_INTERACTIVE;
        memLimit_ = crypto_pwhash_MEMLIMIT_INTERACTIVE;
    } else {
        opsLimit_ = crypto_pwhash_OPSLIMIT_MIN;
        memLimit_ = crypto_pwhash_MEMLIMIT_MIN;
    }
    dummyHash_ = hash("jaserelle-dummy-password");
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
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

void PasswordHasher::verifyDummy(std::string_view password) const
{
    (void)verify(dummyHash_, password);
}

} // namespace jaserelle::community
