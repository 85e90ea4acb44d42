#include "client/security/peertls.h"

#include <QSslSocket>

namespace jaserelle::client {

QSslConfiguration peerTlsConfiguration(const ClientIdentity &identity)
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setProtocol(QSsl::TlsV1_3OrLater);
    config.setLocalCertificate(identity.certificate);
    config.setPrivateKey(identity.key);
    // Asked for, never required to chain to anything: the fingerprint decides.
    config.setPeerVerifyMode(QSslSocket::QueryPeer);
    config.setCaCertificates({});
    return config;
}

void preparePeerTls(QSslSocket &socket, const ClientIdentity &identity)
{
    socket.setSslConfiguration(peerTlsConfiguration(identity));
    QObject::connect(&socket, &QSslSocket::sslErrors, &socket, [&socket](const QList<QSslError> &) {
        // Self-signed, unknown issuer, no host name: all expected between members. What is not
        // expected, a certificate other than the member's, is caught by the fingerprint.
        socket.ignoreSslErrors();
    });
}

QByteArray peerFingerprint(const QSslSocket &socket)
{
    const QSslCertificate certificate = socket.peerCertificate();
    return certificate.isNull() ? QByteArray() : certificateFingerprint(certificate);
}

} // namespace jaserelle::client
