#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

namespace jaserelle::client {

// The keys this client has seen members present (trust on first use): a member whose key is
// not the one seen before is shown to the user, never taken silently. Kept in a small file of
// the user's configuration folder, one "pseudo fingerprint" line per member, readable by the
// user alone. A damaged line is skipped; a file grown past its bound is read no further.
class KnownKeys
{
public:
    static constexpr int maxMembers = 10000;

    // An empty path keeps nothing on disk (tests, a client without a configuration folder).
    explicit KnownKeys(QString file = {});

    std::optional<QByteArray> seen(const QString &pseudo) const;
    // Remembers the key and writes the file; false when the file could not be written (the key
    // is remembered for this run all the same).
    bool remember(const QString &pseudo, const QByteArray &fingerprint);

private:
    QString file_;
    QHash<QString, QByteArray> keys_;
};

// "peerkeys" in `folder`.
QString knownKeysFile(const QString &folder);

} // namespace jaserelle::client
