#include "client/server/servertls.h"

#include "client/security/identity.h"

#include <QDir>
#include <QFile>
#include <QSslCertificate>

namespace jaserelle::client {

QString communityCaFile(const QString &appDir)
{
    return QDir(appDir).filePath(QStringLiteral("jaserelle-ca.pem"));
}

QSslConfiguration serverTlsConfiguration(const QString &appDir, const ClientIdentity *identity,
                                         const QByteArray &ticket)
{
    QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
    conf.setProtocol(QSsl::TlsV1_2OrLater);
    conf.setPeerVerifyMode(QSslSocket::VerifyPeer);
    const QString caFile = communityCaFile(appDir);
    if (QFile::exists(caFile)) {
        // An unreadable or empty file trusts nobody: the handshake then fails with its notice,
        // rather than quietly trusting the system's authorities instead.
        conf.setCaCertificates(QSslCertificate::fromPath(caFile, QSsl::Pem));
    }
    if (identity && !identity->certificate.isNull()) {
        conf.setLocalCertificate(identity->certificate);
        conf.setPrivateKey(identity->key);
    }
    // Keep the session so the next connection (a refresh every 30 s) resumes it.
    conf.setSslOption(QSsl::SslOptionDisableSessionTickets, false);
    conf.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    if (!ticket.isEmpty())
        conf.setSessionTicket(ticket);
    return conf;
}

} // namespace jaserelle::client
