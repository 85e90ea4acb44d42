#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <vector>

namespace jaserelle::client {

// One member's published key, as the key directory names it.
struct PublishedKey
{
    QString pseudo;
    QByteArray fingerprint; // 64 lower-case hex digits
};

// The key directory's answer to a lookup: "KEYLIST|", then "pseudo,fingerprint|" per member,
// then "ENDKEYLIST|".
struct KeyListReply
{
    enum class Status
    {
        Listed,      // the list, complete
        NoDirectory, // the server has no key directory (it answered 404): every call stays plain
        Unreadable,  // anything else: nothing learnt, try again later
    };
    Status status = Status::Unreadable;
    // Only well-formed entries, at most maxKeys of them; a malformed entry is skipped.
    std::vector<PublishedKey> keys;

    static constexpr std::size_t maxKeys = 1024;
};

// The whole HTTP reply (status line, headers, body). Reads each character at most a few times and
// never past the end, whatever the server sent.
KeyListReply parseKeyListReply(QStringView reply);

// The answer to a publication: true when the directory kept the key.
bool isKeyPublished(QStringView reply);

// A fingerprint as the directory and the peers write it.
bool isFingerprint(QByteArrayView text);

// The paths of the two requests, as written after "GET /".
QString publishKeyPath(const QString &login, const QString &password, const QByteArray &fingerprint);
QString lookupKeysPath(const QString &login, const QString &password, const QStringList &members);

} // namespace jaserelle::client
