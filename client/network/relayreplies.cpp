#include "client/network/relayreplies.h"

#include "common/protocol.h"

#include <QUrl>

namespace jaserelle::client::relayreplies {

namespace {

constexpr QByteArrayView credentialsKeyword = protocol::relayCredentials;
constexpr QByteArrayView relayedKeyword = protocol::relayedAt;
// Nothing the server says here is longer; a longer field is not an answer.
constexpr qsizetype maxField = 256;

QByteArray bytes(std::string_view word)
{
    return QByteArray(word.data(), static_cast<qsizetype>(word.size()));
}

QByteArray encoded(const QString &value)
{
    return QUrl::toPercentEncoding(value);
}

QByteArray sessionQuery(const QString &login, const QString &password)
{
    return "?login=" + encoded(login) + "&password=" + encoded(password);
}

// The text after a keyword up to the "|" that closes it.
std::optional<QByteArrayView> after(QByteArrayView body, QByteArrayView keyword)
{
    const qsizetype at = body.indexOf(keyword);
    if (at < 0)
        return std::nullopt;
    const QByteArrayView rest = body.sliced(at + keyword.size());
    const qsizetype end = rest.indexOf(protocol::recordEnd);
    if (end < 0)
        return std::nullopt;
    return rest.first(end);
}

} // namespace

QByteArray credentialsPath(const QString &login, const QString &password)
{
    return bytes(protocol::relayCredentialsPath) + sessionQuery(login, password);
}

QByteArray publishPath(const QString &login, const QString &password, const stun::Endpoint &relayed)
{
    return bytes(protocol::relayPublishPath) + sessionQuery(login, password) +
           "&address=" + encoded(relayed.toString());
}

QByteArray withdrawPath(const QString &login, const QString &password)
{
    return bytes(protocol::relayWithdrawPath) + sessionQuery(login, password);
}

QByteArray lookupPath(const QString &login, const QString &password, const QString &pseudo)
{
    return bytes(protocol::relayLookupPath) + sessionQuery(login, password) + "&pseudo=" + encoded(pseudo);
}

std::optional<Credentials> parseCredentials(QByteArrayView body)
{
    const auto fields = after(body, credentialsKeyword);
    if (!fields)
        return std::nullopt;
    const QList<QByteArray> parts = fields->toByteArray().split(',');
    if (parts.size() != 5)
        return std::nullopt;
    for (const QByteArray &part : parts)
        if (part.isEmpty() || part.size() > maxField)
            return std::nullopt;
    Credentials c;
    c.username = QString::fromUtf8(parts[0]);
    c.password = QString::fromUtf8(parts[1]);
    c.host = QString::fromUtf8(parts[2]);
    bool portOk = false, secondsOk = false;
    const uint port = parts[3].toUInt(&portOk);
    c.seconds = parts[4].toInt(&secondsOk);
    if (!portOk || port == 0 || port > 65535 || !secondsOk || c.seconds <= 0)
        return std::nullopt;
    c.port = static_cast<quint16>(port);
    return c;
}

std::optional<stun::Endpoint> parseLookup(QByteArrayView body)
{
    const auto address = after(body, relayedKeyword);
    if (!address || address->size() > maxField)
        return std::nullopt;
    return stun::Endpoint::parse(QString::fromLatin1(*address));
}

} // namespace jaserelle::client::relayreplies
