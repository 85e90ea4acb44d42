#pragma once

#include "client/security/identity.h"

#include <QSslConfiguration>

class QSslSocket;

namespace jaserelle::client {

// How two Jaserelle clients speak TLS to each other: TLS 1.3, each presenting its own
// self-signed certificate. No authority vouches for those, so the handshake checks no chain: each
// side compares the certificate the other presented with the fingerprint the key directory (or
// its own memory) gives for that member, once the handshake is over.
QSslConfiguration peerTlsConfiguration(const ClientIdentity &identity);

// Puts `socket` (connected, not yet encrypted) into that configuration and lets the handshake
// pass the chain checks the fingerprint comparison replaces.
void preparePeerTls(QSslSocket &socket, const ClientIdentity &identity);

// The fingerprint of the certificate the other side presented; empty when it presented none.
QByteArray peerFingerprint(const QSslSocket &socket);

} // namespace jaserelle::client
