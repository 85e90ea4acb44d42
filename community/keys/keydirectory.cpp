#include "community/keys/keydirectory.h"

#include <algorithm>

namespace jaserelle::community {

bool KeyDirectory::isFingerprint(std::string_view text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

bool KeyDirectory::publish(const std::string &pseudo, std::string_view fingerprint)
{
    if (pseudo.empty() || !isFingerprint(fingerprint))
        return false;
    const std::lock_guard lock(mutex_);
    keys_[pseudo] = std::string(fingerprint);
    return true;
}

std::vector<std::string> KeyDirectory::fingerprintsOf(std::span<const std::string> pseudos)
{
    std::vector<std::string> out;
    out.reserve(pseudos.size());
    const std::lock_guard lock(mutex_);
    for (const std::string &pseudo : pseudos) {
        const auto found = keys_.find(pseudo);
        out.push_back(found == keys_.end() ? std::string() : found->second);
    }
    return out;
}

} // namespace jaserelle::community
