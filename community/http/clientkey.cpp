#include "community/http/clientkey.h"

#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

namespace jaserelle::community {
namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string certificateFingerprint(X509 *certificate)
{
    if (!certificate)
        return {};
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    if (X509_digest(certificate, EVP_sha256(), md, &n) != 1)
        return {};
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(n * 2);
    for (unsigned int i = 0; i < n; ++i) {
        hex += digits[md[i] >> 4];
        hex += digits[md[i] & 0xf];
    }
    return hex;
}

std::string fingerprintOfEscapedPem(std::string_view escaped)
{
    // A certificate is a few kilobytes; anything far larger is not one.
    if (escaped.empty() || escaped.size() > 64 * 1024)
        return {};
    std::string pem;
    pem.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == '%') {
            const int hi = i + 1 < escaped.size() ? hexValue(escaped[i + 1]) : -1;
            const int lo = i + 2 < escaped.size() ? hexValue(escaped[i + 2]) : -1;
            if (hi >= 0 && lo >= 0) {
                pem += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        pem += escaped[i];
    }
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())),
                                                  BIO_free);
    if (!bio)
        return {};
    std::unique_ptr<X509, decltype(&X509_free)> certificate(
        PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr), X509_free);
    return certificateFingerprint(certificate.get());
}

} // namespace jaserelle::community
