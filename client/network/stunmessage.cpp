#include "client/network/stunmessage.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QStringList>
#include <QtEndian>
#include <algorithm>

namespace jaserelle::client::stun {

namespace {

constexpr qsizetype integritySize = 20;

// Digits only: toUInt() also takes spaces and signs.
bool allDigits(QStringView text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

quint16 readU16At(QByteArrayView bytes, qsizetype at)
{
    return qFromBigEndian<quint16>(bytes.data() + at);
}

void appendU16(QByteArray &out, quint16 v)
{
    char b[2];
    qToBigEndian(v, b);
    out.append(b, 2);
}

// The type field: method bits M0-M11 around the two class bits C0 (bit 4) and C1 (bit 8).
quint16 typeField(Method method, Class type)
{
    const auto m = static_cast<quint16>(method);
    const auto c = static_cast<quint16>(type);
    return static_cast<quint16>((m & 0x000F) | (m & 0x0070) << 1 | (m & 0x0F80) << 2 | (c & 1) << 4 |
                                (c & 2) << 7);
}

void appendAttribute(QByteArray &out, quint16 type, QByteArrayView value)
{
    appendU16(out, type);
    appendU16(out, static_cast<quint16>(value.size()));
    out.append(value.data(), value.size());
    while (out.size() % 4 != 0)
        out.append('\0');
}

void setLength(QByteArray &out, qsizetype bodyLength)
{
    qToBigEndian(static_cast<quint16>(bodyLength), out.data() + 2);
}

QByteArray hmacSha1(QByteArrayView data, QByteArrayView key)
{
    return QMessageAuthenticationCode::hash(data.toByteArray(), key.toByteArray(), QCryptographicHash::Sha1);
}

} // namespace

QString Endpoint::ipText() const
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(ip >> 24)
        .arg(ip >> 16 & 0xFF)
        .arg(ip >> 8 & 0xFF)
        .arg(ip & 0xFF);
}

QString Endpoint::toString() const
{
    return ipText() + u':' + QString::number(port);
}

std::optional<Endpoint> Endpoint::parse(QStringView text, std::optional<quint16> defaultPort)
{
    const qsizetype colon = text.indexOf(u':');
    const QStringView host = colon < 0 ? text : text.first(colon);
    Endpoint e;
    if (colon < 0) {
        if (!defaultPort)
            return std::nullopt;
        e.port = *defaultPort;
    } else {
        const QStringView port = text.sliced(colon + 1);
        bool ok = false;
        const uint value = port.toUInt(&ok);
        if (!allDigits(port) || !ok || value == 0 || value > 65535 || port.startsWith(u'0'))
            return std::nullopt;
        e.port = static_cast<quint16>(value);
    }
    const QList<QStringView> parts = host.split(u'.');
    if (parts.size() != 4)
        return std::nullopt;
    for (const QStringView part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok);
        if (!allDigits(part) || !ok || part.size() > 3 || value > 255 ||
            (part.size() > 1 && part.startsWith(u'0')))
            return std::nullopt;
        e.ip = e.ip << 8 | value;
    }
    return e;
}

const QByteArray *Message::find(quint16 wanted) const
{
    for (const Attribute &a : attributes)
        if (a.type == wanted)
            return &a.value;
    return nullptr;
}

QByteArray newTransactionId()
{
    QByteArray id(transactionIdSize, Qt::Uninitialized);
    for (char &c : id)
        c = static_cast<char>(QRandomGenerator::system()->bounded(256));
    return id;
}

QByteArray encode(const Message &message, QByteArrayView integrityKey)
{
    QByteArray out;
    appendU16(out, typeField(message.method, message.type));
    appendU16(out, 0);
    char cookie[4];
    qToBigEndian(magicCookie, cookie);
    out.append(cookie, 4);
    QByteArray id = message.transactionId.left(transactionIdSize);
    id.resize(transactionIdSize, '\0');
    out += id;
    for (const Attribute &a : message.attributes)
        appendAttribute(out, a.type, a.value);
    if (!integrityKey.isEmpty()) {
        // The integrity covers the header with a length that already counts the integrity itself.
        setLength(out, out.size() - headerSize + 4 + integritySize);
        appendAttribute(out, attr::messageIntegrity, hmacSha1(out, integrityKey));
    }
    setLength(out, out.size() - headerSize);
    return out;
}

qsizetype messageSize(QByteArrayView buffer)
{
    if (buffer.size() < headerSize)
        return 0;
    // The two top bits of a STUN message are zero, its length a multiple of four.
    if ((static_cast<quint8>(buffer[0]) & 0xC0) != 0 ||
        qFromBigEndian<quint32>(buffer.data() + 4) != magicCookie)
        return -1;
    const quint16 length = readU16At(buffer, 2);
    if (length % 4 != 0 || headerSize + length > maxMessageSize)
        return -1;
    return headerSize + length;
}

std::optional<Message> decode(QByteArrayView bytes)
{
    if (messageSize(bytes) != bytes.size() || bytes.isEmpty())
        return std::nullopt;
    const quint16 type = readU16At(bytes, 0);
    Message m;
    m.method = static_cast<Method>((type & 0x000F) | (type & 0x00E0) >> 1 | (type & 0x3E00) >> 2);
    m.type = static_cast<Class>((type >> 4 & 1) | (type >> 7 & 2));
    m.transactionId = bytes.sliced(8, transactionIdSize).toByteArray();
    qsizetype at = headerSize;
    while (at < bytes.size()) {
        if (bytes.size() - at < 4)
            return std::nullopt;
        const quint16 attrType = readU16At(bytes, at);
        const quint16 length = readU16At(bytes, at + 2);
        const qsizetype padded = (static_cast<qsizetype>(length) + 3) / 4 * 4;
        if (bytes.size() - at - 4 < padded)
            return std::nullopt;
        m.attributes.push_back({attrType, bytes.sliced(at + 4, length).toByteArray()});
        at += 4 + padded;
    }
    return m;
}

bool integrityMatches(QByteArrayView bytes, QByteArrayView key)
{
    if (messageSize(bytes) != bytes.size() || bytes.isEmpty())
        return false;
    qsizetype at = headerSize;
    while (bytes.size() - at >= 4) {
        const quint16 attrType = readU16At(bytes, at);
        const quint16 length = readU16At(bytes, at + 2);
        const qsizetype padded = (static_cast<qsizetype>(length) + 3) / 4 * 4;
        if (bytes.size() - at - 4 < padded)
            return false;
        if (attrType == attr::messageIntegrity) {
            if (length != integritySize)
                return false;
            QByteArray covered = bytes.first(at).toByteArray();
            setLength(covered, at - headerSize + 4 + integritySize);
            return hmacSha1(covered, key) == bytes.sliced(at + 4, integritySize);
        }
        at += 4 + padded;
    }
    return false;
}

QByteArray longTermKey(const QString &username, const QString &realm, const QString &password)
{
    return QCryptographicHash::hash((username + u':' + realm + u':' + password).toUtf8(),
                                    QCryptographicHash::Md5);
}

QByteArray xorAddress(const Endpoint &endpoint)
{
    QByteArray out;
    out.append('\0');
    out.append('\x01'); // IPv4
    appendU16(out, static_cast<quint16>(endpoint.port ^ (magicCookie >> 16)));
    out += u32(endpoint.ip ^ magicCookie);
    return out;
}

std::optional<Endpoint> readXorAddress(QByteArrayView value)
{
    if (value.size() != 8 || value[1] != '\x01')
        return std::nullopt;
    Endpoint e;
    e.port = static_cast<quint16>(readU16At(value, 2) ^ (magicCookie >> 16));
    e.ip = qFromBigEndian<quint32>(value.data() + 4) ^ magicCookie;
    return e;
}

QByteArray u32(quint32 value)
{
    QByteArray out(4, Qt::Uninitialized);
    qToBigEndian(value, out.data());
    return out;
}

std::optional<quint32> readU32(QByteArrayView value)
{
    if (value.size() != 4)
        return std::nullopt;
    return qFromBigEndian<quint32>(value.data());
}

QByteArray requestedTransportTcp()
{
    // The protocol number, then three bytes reserved.
    return QByteArray(1, char(transportTcp)) + QByteArray(3, '\0');
}

std::optional<ErrorCode> readErrorCode(QByteArrayView value)
{
    if (value.size() < 4)
        return std::nullopt;
    const int hundreds = value[2] & 0x07;
    const int units = static_cast<quint8>(value[3]);
    if (hundreds < 3 || hundreds > 6 || units > 99)
        return std::nullopt;
    return ErrorCode{hundreds * 100 + units, QString::fromUtf8(value.sliced(4))};
}

} // namespace jaserelle::client::stun
