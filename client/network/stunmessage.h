#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

// STUN messages as the call relay speaks them (TURN over TCP with TCP allocations): building and
// reading, as pure functions over bytes. Reading never goes past the bytes it is given; whatever
// does not hold together is no message.
namespace jaserelle::client::stun {

constexpr quint32 magicCookie = 0x2112A442;
constexpr qsizetype headerSize = 20;
constexpr qsizetype transactionIdSize = 12;
// A message longer than this is not one the relay sends us: the stream is not worth reading on.
constexpr qsizetype maxMessageSize = 4096;

enum class Method : quint16
{
    Allocate = 0x003,
    Refresh = 0x004,
    CreatePermission = 0x008,
    Connect = 0x00A,
    ConnectionBind = 0x00B,
    ConnectionAttempt = 0x00C,
};

enum class Class : quint8
{
    Request = 0,
    Indication = 1,
    Success = 2,
    Error = 3,
};

namespace attr {
constexpr quint16 username = 0x0006;
constexpr quint16 messageIntegrity = 0x0008;
constexpr quint16 errorCode = 0x0009;
constexpr quint16 lifetime = 0x000D;
constexpr quint16 xorPeerAddress = 0x0012;
constexpr quint16 realm = 0x0014;
constexpr quint16 nonce = 0x0015;
constexpr quint16 xorRelayedAddress = 0x0016;
constexpr quint16 requestedTransport = 0x0019;
constexpr quint16 xorMappedAddress = 0x0020;
constexpr quint16 connectionId = 0x002A;
constexpr quint16 fingerprint = 0x8028;
} // namespace attr

constexpr quint8 transportTcp = 6;

// An IPv4 address and a port: what a TCP allocation hands out and connects to.
struct Endpoint
{
    quint32 ip = 0; // host order
    quint16 port = 0;

    QString toString() const; // "a.b.c.d:port"
    QString ipText() const;   // "a.b.c.d"
    // "a.b.c.d:port" or, with `defaultPort`, "a.b.c.d"; nothing when it is neither.
    static std::optional<Endpoint> parse(QStringView text, std::optional<quint16> defaultPort = std::nullopt);
    bool operator==(const Endpoint &) const = default;
};

struct Attribute
{
    quint16 type = 0;
    QByteArray value;
};

struct Message
{
    Method method = Method::Allocate;
    Class type = Class::Request;
    QByteArray transactionId; // 12 bytes
    QList<Attribute> attributes;

    // The first attribute of a type.
    const QByteArray *find(quint16 type) const;
    void add(quint16 type, QByteArray value) { attributes.push_back({type, std::move(value)}); }
};

// 12 random bytes.
QByteArray newTransactionId();

// The message's bytes; with a key, MESSAGE-INTEGRITY (HMAC-SHA1 under the key) ends it.
QByteArray encode(const Message &message, QByteArrayView integrityKey = {});

// How long the message that starts `buffer` is: 0 while its header is incomplete, -1 when the
// bytes are no STUN message (or one longer than maxMessageSize), else its whole size.
qsizetype messageSize(QByteArrayView buffer);

// One whole message, or nothing when the bytes are not exactly one well-formed message.
std::optional<Message> decode(QByteArrayView bytes);

// Whether a received message carries a MESSAGE-INTEGRITY that matches the key. Attributes after it
// (a FINGERPRINT) are outside what it covers.
bool integrityMatches(QByteArrayView bytes, QByteArrayView key);

// The long-term credential key: MD5(username ":" realm ":" password).
QByteArray longTermKey(const QString &username, const QString &realm, const QString &password);

// Attribute values.
QByteArray xorAddress(const Endpoint &endpoint);
std::optional<Endpoint> readXorAddress(QByteArrayView value);
QByteArray u32(quint32 value);
std::optional<quint32> readU32(QByteArrayView value);
QByteArray requestedTransportTcp();
struct ErrorCode
{
    int code = 0;
    QString reason;
};
std::optional<ErrorCode> readErrorCode(QByteArrayView value);

} // namespace jaserelle::client::stun
