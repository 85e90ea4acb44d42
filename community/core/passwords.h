#pragma once

#include <string>
#include <string_view>

namespace jaserelle::community {

// libsodium's crypto_pwhash_str (Argon2id). Interactive limits in production; the minimal ones
// keep the tests fast. A hash carries its own limits, so verifying works for both.
class PasswordHasher
{
public:
    enum class Strength { Interactive, Minimal };
    explicit PasswordHasher(Strength strength = Strength::Interactive);

    std::string hash(std::string_view password) const;
    bool verify(const std::string &hash, std::string_view password) const;

    // Runs a verification that always fails, taking as long as a real one: a login for an
    // unknown pseudo costs the same time as a wrong password.
    void verifyDummy(std::string_view password) const;

private:
    unsigned long long opsLimit_;
    std::size_t memLimit_;
    std::string dummyHash_;
};

} // namespace jaserelle::community
