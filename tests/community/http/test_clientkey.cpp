// How the server names a client's key: the certificate of a TLS connection, or the one a
// TLS-terminating proxy passes on, as the SHA-256 the client computes for itself.
#include "common/urlcodec.h"
#include "community/http/clientkey.h"
#include "community/http/server.h"
#include "tests/community/fixture.h"
#include "tests/community/rawclient.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>
#include <cctype>
#include <cstdlib>

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
    EXPECT_EQ(fingerprintOfEscapedPem(escapedCertificate), itsFingerprint);
    // The PEM unescaped (a proxy that passes it raw) reads the same.
    EXPECT_EQ(fingerprintOfEscapedPem(jaserelle::urlDecode(escapedCertificate, false)), itsFingerprint);
    // Anything but a certificate is no key: "-" is nginx without one, a fingerprint proves no key.
    for (const std::string &no :
         {std::string(), std::string("-"), itsFingerprint, std::string("%ZZ%4"),
          escapedCertificate.substr(0, escapedCertificate.size() / 2), std::string(100000, 'A')})
        EXPECT_EQ(fingerprintOfEscapedPem(no), "") << no.substr(0, 20);
    EXPECT_EQ(certificateFingerprint(nullptr), "");
}

namespace {

namespace asio = boost::asio;
using namespace jaserelle::community::test;

ServerOptions tlsOnAnyPort(const std::filesystem::path &pki)
{
    ServerOptions options = onAnyPort(1);
    options.tlsCertificateFile = (pki / "server.pem").string();
    options.tlsKeyFile = (pki / "server.key").string();
    return options;
}

// The peer's address and its key, as the handlers are given them.
Response echoKey(const Request &r)
{
    Response out;
    out.body = "[" + r.peerAddress + "|" + r.clientKey + "]";
    return out;
}

// What `openssl x509 -fingerprint -sha256` says of a certificate file, in the server's form.
std::string opensslFingerprint(const std::filesystem::path &file)
{
    const std::string out =
        commandOutput("openssl x509 -noout -fingerprint -sha256 -in '" + file.string() + "'");
    std::string hex;
    for (char c : out.substr(out.find('=') + 1))
        if (std::isxdigit(static_cast<unsigned char>(c)))
            hex += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return hex;
}

// One request over TLS, presenting `certificate` (with its key) when named, offering `session` to
// resume when there is one; returns the answer and keeps the session for the next time.
std::string overTls(unsigned short port, const std::filesystem::path &certificate,
                    const std::filesystem::path &key, SSL_SESSION **session)
{
    asio::io_context io;
    asio::ssl::context ctx(asio::ssl::context::tls_client);
    ctx.set_verify_mode(asio::ssl::verify_none);
    if (!certificate.empty()) {
        ctx.use_certificate_file(certificate.string(), asio::ssl::context::pem);
        ctx.use_private_key_file(key.string(), asio::ssl::context::pem);
    }
    asio::ssl::stream<asio::ip::tcp::socket> stream(io, ctx);
    stream.next_layer().connect({asio::ip::make_address("127.0.0.1"), port});
    if (session && *session)
        SSL_set_session(stream.native_handle(), *session);
    stream.handshake(asio::ssl::stream_base::client);
    asio::write(stream, asio::buffer(std::string("GET / HTTP/1.1\r\nHost: x\r\n\r\n")));
    std::string reply;
    boost::system::error_code ec;
    char buf[4096];
    for (std::size_t n; (n = stream.read_some(asio::buffer(buf), ec)) > 0 || !ec;)
        reply.append(buf, n);
    // Our close_notify too: OpenSSL will not resume a session whose connection ended unfinished.
    stream.shutdown(ec);
    if (session) {
        if (*session)
            SSL_SESSION_free(*session);
        *session = SSL_get1_session(stream.native_handle());
    }
    return reply;
}

class TlsListener : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string command =
            std::string(JASERELLE_SOURCE_DIR "/scripts/make-tls-certs '") + pki_.path().string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    TempDir pki_;
};

} // namespace

TEST_F(TlsListener, ThePresentedKeyReachesTheHandlerAlsoWhenTheSessionResumes)
{
    HttpServer server(echoKey, tlsOnAnyPort(pki_.path()));
    server.start();
    // Any self-signed certificate is taken; here the test authority's own stands for a member's.
    const auto certificate = pki_.path() / "ca.pem";
    const std::string expected = "[127.0.0.1|" + opensslFingerprint(certificate) + "]";
    ASSERT_EQ(expected.size(), 76u);
    SSL_SESSION *session = nullptr;
    EXPECT_EQ(bodyOf(overTls(server.port(), certificate, pki_.path() / "ca.key", &session)), expected);
    EXPECT_EQ(bodyOf(overTls(server.port(), certificate, pki_.path() / "ca.key", &session)), expected);
    EXPECT_EQ(server.tlsHandshakes(), 2);
    EXPECT_EQ(server.tlsResumedHandshakes(), 1);
    SSL_SESSION_free(session);
    // Without a certificate the request is served, with no key.
    EXPECT_EQ(bodyOf(overTls(server.port(), {}, {}, nullptr)), "[127.0.0.1|]");
}

TEST_F(TlsListener, AConnectionThatNeverHandshakesIsClosedAtItsHeadTime)
{
    ServerOptions options = tlsOnAnyPort(pki_.path());
    options.headTimeout = std::chrono::milliseconds(300);
    HttpServer server(echoKey, options);
    server.start();
    RawClient silent(server.port());
    silent.send("\x16"); // the first byte of a handshake, and nothing more
    bool closed = false;
    silent.readAll(&closed);
    EXPECT_TRUE(closed);
    // Plain HTTP on the TLS port gets no answer in clear.
    RawClient plain(server.port());
    plain.send("GET / HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(plain.readAll().find("HTTP/1.1"), std::string::npos);
}

// Behind a load balancer the client's address, and where nginx ends TLS the certificate it passes
// (standing for the client's key), are the headers' only when the balancer is trusted.
TEST(Proxy, TheAddressAndKeyComeFromTheHeadersOnlyForATrustedProxy)
{
    const std::string cert = "X-Client-Cert: " + escapedCertificate + "\r\n";
    const struct
    {
        const char *trusted;
        std::string headers, seen;
    } cases[] = {{"127.0.0.1", "X-Real-IP: 203.0.113.7\r\n" + cert, "[203.0.113.7|" + itsFingerprint + "]"},
                 {"127.0.0.9", "X-Real-IP: 203.0.113.7\r\n" + cert, "[127.0.0.1|]"},
                 {"127.0.0.1", "", "[127.0.0.1|]"},
                 {"127.0.0.1", "X-Real-IP: 203.0.113.7, 10.0.0.1\r\n", "[127.0.0.1|]"}};
    for (const auto &c : cases) {
        ServerOptions options = onAnyPort(1);
        options.trustedProxies = {c.trusted};
        HttpServer server(echoKey, options);
        server.start();
        EXPECT_EQ(bodyOf(exchangeOnce(server.port(), "GET / HTTP/1.1\r\nHost: x\r\n" + c.headers + "\r\n")),
                  c.seen)
            << c.headers;
    }
}
