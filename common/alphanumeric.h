#pragma once

#include <string_view>

namespace jaserelle {

// Letters and digits only, by single-byte code: 48-57, 65-90, 97-122. The empty text passes.
constexpr bool isAlphanumeric(std::string_view bytes)
{
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const bool ok = (c >= 48 && c <= 57) || (c >= 65 && c <= 90) || (c >= 97 && c <= 122);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace jaserelle
