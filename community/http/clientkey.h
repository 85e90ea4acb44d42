#pragma once

#include <string>
#include <string_view>

typedef struct x509_st X509;

namespace jaserelle::community {

// How the server names a client's key: SHA-256 of the certificate's DER bytes, lower-case hex
// (the same text the client computes for its own certificate).
std::string certificateFingerprint(X509 *certificate);

// The certificate a TLS-terminating proxy passes on (nginx's $ssl_client_escaped_cert: PEM,
// percent-escaped), as a fingerprint; empty when the text holds no certificate.
std::string fingerprintOfEscapedPem(std::string_view escaped);

} // namespace jaserelle::community
