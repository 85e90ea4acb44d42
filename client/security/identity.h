#pragma once

#include <QByteArray>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <optional>

namespace jaserelle::client {

// This client's own key pair and self-signed certificate: what it presents over TLS, to the
// community server and to the members it talks to. Made once, at the first start, and kept in
// the user's configuration folder, readable by the user alone.
struct ClientIdentity
{
    QSslKey key;
    QSslCertificate certificate;

    // SHA-256 of the certificate, lower-case hex: how the server and the peers name this key.
    QByteArray fingerprint() const;
};

// The fingerprint of any certificate, in the same form.
QByteArray certificateFingerprint(const QSslCertificate &certificate);

// The file in `folder` that holds the identity.
QString identityFile(const QString &folder);

// Reads the identity kept in `folder`, or makes and keeps a new one when there is none yet.
// Nothing when the folder cannot hold one (`error` says why, in a line for a log); a damaged or
// foreign file is never overwritten.
std::optional<ClientIdentity> loadOrCreateIdentity(const QString &folder, QString *error = nullptr);

// A fresh identity, not kept anywhere (tests, benchmarks).
std::optional<ClientIdentity> makeIdentity(const QString &commonName = QStringLiteral("jaserelle"));

} // namespace jaserelle::client
