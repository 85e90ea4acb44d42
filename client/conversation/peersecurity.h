#pragma once

#include "client/security/identity.h"
#include "client/security/knownkeys.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

namespace jaserelle::client {

// What the conversations need to talk encrypted: this client's own key, the keys the directory
// publishes for the members it sees, and the keys it has seen before.
struct PeerSecurity
{
    // None: every call stays plain, and a caller that opens with TLS is not answered.
    std::optional<ClientIdentity> identity;
    // Filled from the key directory; a member absent from it is called the legacy way.
    QHash<QString, QByteArray> published;
    KnownKeys known;

    std::optional<QByteArray> publishedFor(const QString &pseudo) const
    {
        const auto found = published.constFind(pseudo);
        return found == published.constEnd() ? std::nullopt : std::optional<QByteArray>(*found);
    }
};

} // namespace jaserelle::client
