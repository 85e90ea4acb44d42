#pragma once

#include "client/network/stunmessage.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The community server's relay resources: the requests' paths and what their answers say. A
// server that has no relay (or never heard of one) answers 404, which the caller reads as "no
// relay" before any of this is asked.
namespace jaserelle::client::relayreplies {

struct Credentials
{
    QString username;
    QString password;
    QString host;
    quint16 port = 0;
    int seconds = 0; // how long they stay good
};

// The path and query of each request; pseudo and password are the session's own.
QByteArray credentialsPath(const QString &login, const QString &password);
QByteArray publishPath(const QString &login, const QString &password, const stun::Endpoint &relayed);
QByteArray withdrawPath(const QString &login, const QString &password);
QByteArray lookupPath(const QString &login, const QString &password, const QString &pseudo);

// "RELAYCREDENTIALS" username,password,host,port,seconds "|" anywhere in the body.
std::optional<Credentials> parseCredentials(QByteArrayView body);

// What a lookup says: the member's relayed address, or nothing (not relayed, or no answer that
// reads as one).
std::optional<stun::Endpoint> parseLookup(QByteArrayView body);

} // namespace jaserelle::client::relayreplies
