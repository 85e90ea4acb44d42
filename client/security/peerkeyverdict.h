#pragma once

#include <QByteArray>
#include <optional>

namespace jaserelle::client {

// What the certificate a member presented says about that member.
enum class KeyVerdict
{
    Trusted,      // the key the directory publishes for the member, or the one seen before
    FirstSeen,    // neither the directory nor this client knows one: taken, and remembered
    Changed,      // not the key seen before: the user is shown it
    Contradicted, // not the key the directory publishes: somebody else's
};

// The key presented (its fingerprint) against the directory's and the remembered one.
KeyVerdict judgeKey(const QByteArray &presented, const std::optional<QByteArray> &published,
                    const std::optional<QByteArray> &remembered);

} // namespace jaserelle::client
