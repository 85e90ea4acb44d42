#include "community/relay/turncredentials.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <stdexcept>

namespace jaserelle::community {

std::string base64(std::string_view bytes)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[v >> 18 & 63];
        out += alphabet[v >> 12 & 63];
        out += alphabet[v >> 6 & 63];
        out += alphabet[v & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2)
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += alphabet[v >> 18 & 63];
        out += alphabet[v >> 12 & 63];
        out += rest == 2 ? alphabet[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

TurnCredentials turnCredentials(std::string_view secret, std::string_view pseudo,
                                std::chrono::system_clock::time_point expiry)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(expiry.time_since_epoch()).count();
    std::string username = std::to_string(seconds) + ':' + std::string(pseudo);
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int macLength = 0;
    if (!HMAC(EVP_sha1(), secret.data(), static_cast<int>(secret.size()),
              reinterpret_cast<const unsigned char *>(username.data()), username.size(), mac, &macLength))
        throw std::runtime_error("HMAC-SHA1 failed");
    return {std::move(username), base64(std::string_view(reinterpret_cast<const char *>(mac), macLength))};
}

} // namespace jaserelle::community
