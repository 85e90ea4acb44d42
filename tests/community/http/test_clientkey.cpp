// How the server names a client's key (a TLS connection's certificate, or the one a proxy passes on).
#include "common/urlcodec.h"
#include "community/http/clientkey.h"
#include "tests/community/fixture.h"
#include "tests/community/rawclient.h"

using namespace jaserelle::community;

namespace {

// A member's self-signed certificate as nginx passes it ($ssl_client_escaped_cert), and its
// fingerprint as `openssl x509 -fingerprint -sha256` prints it (colons removed, lower case).
const std::string escapedCertificate =
    "-----BEGIN%20CERTIFICATE-----%0AMIIBfTCCASOgAwIBAgIUMRxfr2GHNeGW4WwO%2F1C5lRonjIUwCgYIKoZI"
    "zj0EAwIw%0AFDESMBAGA1UEAwwJamFzZXJlbGxlMB4XDTI2MTIwNzA5MjQyN1oXDTM2MTIwNDA5%0AMjQyN1owFDES"
    "MBAGA1UEAwwJamFzZXJlbGxlMFkwEwYHKoZIzj0CAQYIKoZIzj0D%0AAQcDQgAEgs07SlbvI6NX0IvwR7EBlyY7NJM"
    "QHJ4IJ1Ia8GxcYBMNRPGNLcFnu3pe%0Aquoge0K7Qs7%2Bx1r1GbbTJcUhTjdk%2B6NTMFEwHQYDVR0OBBYEFDMPon"
    "yOa7%2Bfatgs%0AmobGU9DYX1SHMB8GA1UdIwQYMBaAFDMPonyOa7%2BfatgsmobGU9DYX1SHMA8GA1Ud%0AEwEB%2"
    "FwQFMAMBAf8wCgYIKoZIzj0EAwIDSAAwRQIgLZiiNSHqCCd4OhgAUes8AXjQ%0ALuH7paMqIGOC0YHyyX8CIQD5t67"
    "Cv72%2BDVylm6qeHTQigghcXK1nbLtKBhm3BomF%0AKw%3D%3D%0A-----END%20CERTIFICATE-----%0A";
const std::string itsFingerprint = "5b3110a5e9d0f50ec6e82bf7f1b83c526d4f1e83929bd23d2f2675e79ee009b2";

} // namespace

TEST(ClientKey, AProxiedCertificateIsNamedByItsSha256)
{
    // The escaped PEM is read in the proxy's test; unescaped (a proxy that passes it raw), the same.
    EXPECT_EQ(fingerprintOfEscapedPem(jaserelle::urlDecode(escapedCertificate, false)), itsFingerprint);
    // Anything but a certificate is no key: "-" is nginx without one, a fingerprint proves no key.
    for (const std::string &no :
         {std::string(), std::string("-"), itsFingerprint, std::string("%ZZ%4"),
          escapedCertificate.substr(0, escapedCertificate.size() / 2), std::string(100000, 'A')})
        EXPECT_EQ(fingerprintOfEscapedPem(no), "") << no.substr(0, 20);
    EXPECT_EQ(certificateFingerprint(nullptr), "");
}

namespace {

using namespace jaserelle::community::test;

// The peer's address and its key, as the handlers are given them.
Response echoKey(const Request &r)
{
    return {.body = "[" + r.peerAddress + "|" + r.clientKey + "]"};
}

} // namespace

TEST(TlsListener, NamesThePresentedKeyAlsoWhenTheSessionResumesAndClosesWhatNeverHandshakes)
{
    TempDir pki;
    const std::string in = "cd '" + pki.path().string() + "' && ";
    ASSERT_EQ(std::system((in + JASERELLE_SOURCE_DIR "/scripts/make-tls-certs .").c_str()), 0);
    ServerOptions tls{.port = 0, .threads = 1, .headTimeout = std::chrono::milliseconds(2000)};
    tls.tlsCertificateFile = (pki.path() / "server.pem").string();
    tls.tlsKeyFile = (pki.path() / "server.key").string();
    HttpServer server(echoKey, tls);
    server.start();
    // One request by openssl's client, with these options; the answer's body.
    const std::string client =
        in +
        "printf 'GET / HTTP/1.1\\r\\nHost: x\\r\\n\\r\\n' | openssl s_client -quiet -connect 127.0.0.1:" +
        std::to_string(server.port()) + " 2>/dev/null ";
    const auto overTls = [&](const std::string &options) { return bodyOf(commandOutput(client + options)); };
    // Any self-signed certificate is taken; here the test authority's own stands for a member's. Its
    // name is the SHA-256 of its DER bytes, as openssl computes it.
    const std::string sha256 = commandOutput(in + "openssl x509 -outform der -in ca.pem | sha256sum"),
                      expected = "[127.0.0.1|" + sha256.substr(0, 64) + "]";
    const std::string withKey = "-cert ca.pem -key ca.key -sess_out session";
    EXPECT_EQ(overTls(withKey), expected);
    EXPECT_EQ(overTls(withKey + " -sess_in session"), expected);
    EXPECT_EQ(server.tlsHandshakes(), 2);
    EXPECT_EQ(server.tlsResumedHandshakes(), 1);
    // Without a certificate the request is served, with no key.
    EXPECT_EQ(overTls(""), "[127.0.0.1|]");
    // The first byte of a handshake, and nothing more: closed at the head time.
    bool closed = false;
    exchangeOnce(server.port(), "\x16", nullptr, &closed);
    EXPECT_TRUE(closed);
    // Plain HTTP on the TLS port gets no answer in clear.
    EXPECT_EQ(exchangeOnce(server.port(), "GET / HTTP/1.1\r\nHost: x\r\n\r\n").find("HTTP/1.1"),
              std::string::npos);
}

// Behind a load balancer the client's address, and where nginx ends TLS the certificate it passes
// (standing for the client's key), are the headers' only when the balancer is trusted.
TEST(Proxy, TheAddressAndKeyComeFromTheHeadersOnlyForATrustedProxy)
{
    const std::string cert = "X-Client-Cert: " + escapedCertificate + "\r\n";
    const std::tuple<const char *, std::string, std::string> cases[] = {
        {"127.0.0.1", "X-Real-IP: 203.0.113.7\r\n" + cert, "[203.0.113.7|" + itsFingerprint + "]"},
        {"127.0.0.9", "X-Real-IP: 203.0.113.7\r\n" + cert, "[127.0.0.1|]"},
        {"127.0.0.1", "", "[127.0.0.1|]"},
        {"127.0.0.1", "X-Real-IP: 203.0.113.7, 10.0.0.1\r\n", "[127.0.0.1|]"}};
    for (const auto &[trusted, headers, seen] : cases) {
        HttpServer server(echoKey, {.port = 0, .threads = 1, .trustedProxies = {trusted}});
        server.start();
        EXPECT_EQ(bodyOf(exchangeOnce(server.port(), "GET / HTTP/1.1\r\nHost: x\r\n" + headers + "\r\n")),
                  seen)
            << headers;
    }
}
