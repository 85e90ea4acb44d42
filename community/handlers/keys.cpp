#include "common/protocol.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"
#include "community/keys/keydirectory.h"

#include <algorithm>
#include <vector>

namespace jaserelle::community {

namespace {
// A lookup names the members one client sees (its two lists, a page of search results): a few
// hundred at most. More is refused rather than served, so one request costs a bounded answer.
constexpr std::size_t maxLookup = 256;

// The session's own password: the directory serves members who are logged in, like a refresh.
bool loggedIn(Context &ctx, const Target &target, std::string &login)
{
    login = normalisePseudo(target.value("login"));
    return !login.empty() && ctx.sessions.checkPassword(login, lowerAscii(target.value("password")));
}
} // namespace

// keys/publish?login=L&password=P&fingerprint=F: the member's client names the certificate it
// presents; the latest one replaces the one before.
Response publishkey(Context &ctx, const Request &, const Target &target)
{
    if (!ctx.keys)
        return notFound();
    std::string login;
    if (!loggedIn(ctx, target, login))
        return denied();
    if (!ctx.keys->publish(login, lowerAscii(target.value("fingerprint"))))
        return badRequest("fingerprint");
    return keywordReply(protocol::keyPublished);
}

// keys/lookup?login=L&password=P&members=a,b,c: "KEYLIST|", then "pseudo,fingerprint|" for each
// named member who has published one, then "ENDKEYLIST|". A member without a key is left out.
Response lookupkeys(Context &ctx, const Request &, const Target &target)
{
    if (!ctx.keys)
        return notFound();
    std::string login;
    if (!loggedIn(ctx, target, login))
        return denied();
    const std::string members = target.value("members");
    std::vector<std::string> asked;
    std::size_t start = 0;
    while (start <= members.size()) {
        const std::size_t comma = std::min(members.find(protocol::fieldSeparator, start), members.size());
        std::string pseudo = normalisePseudo(std::string_view(members).substr(start, comma - start));
        if (!pseudo.empty() && std::find(asked.begin(), asked.end(), pseudo) == asked.end()) {
            if (asked.size() == maxLookup)
                return badRequest("members");
            asked.push_back(std::move(pseudo));
        }
        start = comma + 1;
    }
    std::string out(protocol::keyListStart);
    out += protocol::recordEnd;
    const std::vector<std::string> fingerprints = ctx.keys->fingerprintsOf(asked);
    for (std::size_t i = 0; i < asked.size(); ++i) {
        if (!fingerprints[i].empty())
            out += asked[i] + protocol::fieldSeparator + fingerprints[i] + protocol::recordEnd;
    }
    out += protocol::keyListEnd;
    out += protocol::recordEnd;
    return textReply(std::move(out));
}

} // namespace jaserelle::community
