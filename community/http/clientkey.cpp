#include "community/http/clientkey.h"

#include "common/urlcodec.h"

#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

namespace jaserelle::community {

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
    const std::string pem = urlDecode(escaped, false);
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())),
                                                  BIO_free);
    if (!bio)
        return {};
    std::unique_ptr<X509, decltype(&X509_free)> certificate(
        PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr), X509_free);
    return certificateFingerprint(certificate.get());
}

} // namespace jaserelle::community
