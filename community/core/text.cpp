#include "community/core/text.h"

#include "common/alphanumeric.h"
#include "common/protocol.h"

#include <algorithm>
#include <arpa/inet.h>

namespace jaserelle::community {

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string normalisePseudo(std::string_view text)
{
    if (text.empty() || text.size() > maxPseudoLength || !isAlphanumeric(text))
        return {};
    return lowerAscii(text);
}

std::string fieldSafe(std::string_view utf8, std::string_view separators)
{
    std::string out(utf8);
    for (char &c : out)
        if (c == '\r' || c == '\n' || separators.find(c) != std::string_view::npos)
            c = ' ';
    return out;
}

std::string defuseKeywords(std::string_view utf8)
{
    static constexpr std::string_view softHyphen = "\xC2\xAD";
    std::string out(utf8);
    bool changed = true;
    // A soft hyphen cannot complete a keyword, so one pass per keyword would do; the loop is the
    // cheap proof of it.
    while (changed) {
        changed = false;
        for (std::string_view k : protocol::wordsFoundAnywhere) {
            std::size_t pos = 0;
            while ((pos = out.find(k, pos)) != std::string::npos) {
                out.insert(pos + 1, softHyphen);
                pos += k.size() + softHyphen.size();
                changed = true;
            }
        }
    }
    return out;
}

std::string departmentOf(std::string_view postalCode)
{
    return std::string(postalCode.substr(0, 2));
}

bool isDottedIpv4(std::string_view text)
{
    int parts = 0;
    std::size_t i = 0;
    while (true) {
        std::size_t start = i;
        int value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 3) {
            value = value * 10 + (text[i] - '0');
            ++i;
        }
        const std::size_t len = i - start;
        if (len == 0 || value > 255 || (len > 1 && text[start] == '0'))
            return false;
        ++parts;
        if (parts == 4)
            return i == text.size();
        if (i >= text.size() || text[i] != '.')
            return false;
        ++i;
    }
}

std::string plainAddress(std::string_view address)
{
    constexpr std::string_view mapped = "::ffff:";
    if (address.substr(0, mapped.size()) == mapped && isDottedIpv4(address.substr(mapped.size())))
        return std::string(address.substr(mapped.size()));
    return std::string(address);
}

std::string addressGroup(std::string_view address)
{
    std::string plain = plainAddress(address);
    in6_addr v6{};
    if (isDottedIpv4(plain) || ::inet_pton(AF_INET6, plain.c_str(), &v6) != 1)
        return plain;
    std::fill(v6.s6_addr + 8, v6.s6_addr + 16, 0);
    char text[INET6_ADDRSTRLEN];
    ::inet_ntop(AF_INET6, &v6, text, sizeof text);
    return std::string(text) + "/64";
}

std::string networkPrefix(std::string_view address)
{
    std::string plain = plainAddress(address);
    if (isDottedIpv4(plain))
        return plain.substr(0, plain.rfind('.')) + ".0/24";
    in6_addr v6{};
    if (::inet_pton(AF_INET6, plain.c_str(), &v6) != 1)
        return plain;
    std::fill(v6.s6_addr + 6, v6.s6_addr + 16, 0);
    char text[INET6_ADDRSTRLEN];
    ::inet_ntop(AF_INET6, &v6, text, sizeof text);
    return std::string(text) + "/48";
}

} // namespace jaserelle::community
