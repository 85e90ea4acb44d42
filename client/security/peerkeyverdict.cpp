#include "client/security/peerkeyverdict.h"

namespace jaserelle::client {

KeyVerdict judgeKey(const QByteArray &presented, const std::optional<QByteArray> &published,
                    const std::optional<QByteArray> &remembered)
{
    if (presented.isEmpty())
        return KeyVerdict::Contradicted;
    if (published && *published != presented)
        return KeyVerdict::Contradicted;
    // Even a key the directory vouches for is shown when it replaces one seen before: the
    // directory is the server's word, and the user may want to ask the member.
    if (remembered && *remembered != presented)
        return KeyVerdict::Changed;
    return published || remembered ? KeyVerdict::Trusted : KeyVerdict::FirstSeen;
}

} // namespace jaserelle::client
