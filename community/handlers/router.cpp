#include "common/protocol.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

#include <exception>
#include <iostream>
#include <string_view>

namespace jaserelle::community {
namespace {

Response unavailable()
{
    // A store failure (disk full, locked too long): the client sees no keyword and keeps
    // its state; nothing of the failure leaks into the answer.
    return textReply("Le serveur est momentanément indisponible.\r\n", 503);
}

Response overloaded()
{
    // No keyword: the client tells its user that the server fails for now and lets him try
    // again. A refused login would tell a real member that his account does not exist.
    return textReply("Le serveur est surchargé, réessayez dans un moment.\r\n", 503);
}

Response methodNotAllowed()
{
    return textReply("Méthode non prise en charge.\r\n", 405);
}

using Run = Response (*)(Context &, const Request &, const Target &);
using Quick = std::optional<Response> (*)(Context &, const Request &, const Target &);
using Refusal = Response (*)();

struct Route
{
    std::string_view path; // a prefix when it ends with '/'
    std::string_view method;
    Run run;
    // Checks a password against its slow hash: runs on the slow-hash threads...
    bool slow = false;
    // ...unless this answers it first on the connection's thread.
    Quick quick = nullptr;
    // The answer when the slow-hash threads have no room: a refused check.
    Refusal refusal = nullptr;
};

// One row per resource. The refresh comes first: by far the most frequent request, found at the
// first comparison.
constexpr Route routes[] = {
    {protocol::refreshPath, "GET", softrefresh2, true, softrefresh2Quick, denied},
    {protocol::loginPath, "GET", softlogin, true, softloginQuick, overloaded},
    {protocol::logoffPath, "GET", softlogoff},
    {protocol::addContactPath, "GET", ajoutmembre},
    {protocol::removeContactPath, "GET", removemembre},
    {protocol::profilePath, "GET", getprofil},
    {protocol::searchPath, "GET", searchmembers3},
    {protocol::sendMailPath, "GET", sendmail},
    {protocol::readMailsPath, "GET", readmails},
    {protocol::deleteMailPath, "GET", deletemail},
    {protocol::publishKeyPath, "GET", publishkey},
    {protocol::lookupKeysPath, "GET", lookupkeys},
    {protocol::relayCredentialsPath, "GET", relayCredentials},
    {protocol::relayPublishPath, "GET", relayPublish},
    {protocol::relayWithdrawPath, "GET", relayWithdraw},
    {protocol::relayLookupPath, "GET", relayLookup},
    {protocol::photosPath, "GET",
     [](Context &ctx, const Request &r, const Target &t) {
         return photo(ctx, r, std::string_view(t.path()).substr(protocol::photosPath.size()));
     }},
    {"/", "GET", [](Context &ctx, const Request &, const Target &) { return homePage(ctx); }},
    {"/index.html", "GET", [](Context &ctx, const Request &, const Target &) { return homePage(ctx); }},
    {protocol::onlineHelpPath, "GET",
     [](Context &, const Request &, const Target &) { return onlineHelpPage(); }},
    // Opens a connection to the member's address, for up to a couple of seconds: on the slow
    // threads, never on a connection's.
    {protocol::reachablePath, "GET", reachable, true, nullptr,
     [] { return keywordReply(protocol::peerPortUnknown); }},
    {"/inscription", "POST", [](Context &ctx, const Request &r, const Target &) { return signUp(ctx, r); },
     true, nullptr, unavailable},
};

bool matches(const Route &route, std::string_view path)
{
    if (route.path.size() > 1 && route.path.ends_with('/'))
        return path.starts_with(route.path);
    return path == route.path;
}

// The row of a request: its path and its method both. A request none answers is refused by
// handle() (wrong method, unknown path) without the slow hash.
const Route *routeOf(const Request &request, const Target &target)
{
    for (const Route &route : routes)
        if (matches(route, target.path()))
            return route.method == request.method ? &route : nullptr;
    return nullptr;
}

Response unrouted(const Request &request)
{
    return request.method == "GET" ? notFound() : methodNotAllowed();
}

} // namespace

bool isSlowRequest(const Request &request)
{
    const Route *route = routeOf(request, Target::parse(request.target));
    return route && route->slow;
}

std::optional<Response> handleQuick(Context &ctx, const Request &request)
{
    try {
        const Target target = Target::parse(request.target);
        const Route *route = routeOf(request, target);
        if (!route)
            return unrouted(request);
        if (!route->slow)
            return route->run(ctx, request, target);
        if (route->quick)
            return route->quick(ctx, request, target);
        return std::nullopt;
    } catch (const std::exception &e) {
        std::cerr << "jaserelle-server: " << e.what() << std::endl;
        return unavailable();
    }
}

Response refuseUnchecked(const Request &request)
{
    const Route *route = routeOf(request, Target::parse(request.target));
    return route && route->refusal ? route->refusal() : unavailable();
}

bool isVouchedRequest(Context &ctx, const Request &request)
{
    if (!ctx.recentLogins)
        return false;
    const Target target = Target::parse(request.target);
    const Route *route = routeOf(request, target);
    if (!route || (route->run != softlogin && route->run != softrefresh2))
        return false;
    return ctx.recentLogins->recent(normalisePseudo(target.value("login")), request.peerAddress);
}

Response handle(Context &ctx, const Request &request)
{
    try {
        const Target target = Target::parse(request.target);
        const Route *route = routeOf(request, target);
        return route ? route->run(ctx, request, target) : unrouted(request);
    } catch (const std::exception &e) {
        std::cerr << "jaserelle-server: " << e.what() << std::endl;
        return unavailable();
    }
}

} // namespace jaserelle::community
