#include "common/protocol.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"
#include "community/relay/turncredentials.h"

namespace jaserelle::community {

// The call relay's resources, this server's own (a server without --relay answers them 404, as a
// server that never heard of them would: no relay). Each names the session it acts for with the
// login and the password of that session, like a refresh, and is answered without the slow hash.
namespace {

struct Caller
{
    std::string login;
    std::string password;
};

std::optional<Caller> sessionOf(Context &ctx, const Target &target)
{
    Caller c{normalisePseudo(target.value("login")), lowerAscii(target.value("password"))};
    if (c.login.empty() || !ctx.sessions.checkPassword(c.login, c.password))
        return std::nullopt;
    return c;
}

} // namespace

// relaycredentials?login=L&password=P: "RELAYCREDENTIALS" username,password,host,port,seconds "|".
Response relayCredentials(Context &ctx, const Request &, const Target &target)
{
    if (!ctx.relay)
        return notFound();
    const auto caller = sessionOf(ctx, target);
    if (!caller)
        return denied();
    const auto expiry = ctx.clock() + std::chrono::seconds(ctx.relay->credentialSeconds);
    const TurnCredentials c = turnCredentials(ctx.relay->secret, caller->login, expiry);
    constexpr char sep = protocol::fieldSeparator;
    return textReply(std::string(protocol::relayCredentials) + c.username + sep + c.password + sep +
                     ctx.relay->host + sep + std::to_string(ctx.relay->port) + sep +
                     std::to_string(ctx.relay->credentialSeconds) + protocol::recordEnd);
}

// relaypublish?login=L&password=P&address=a.b.c.d:port: the member can be called there from now
// on, until it withdraws the address or its session ends.
Response relayPublish(Context &ctx, const Request &, const Target &target)
{
    if (!ctx.relay || !ctx.relayed)
        return notFound();
    auto caller = sessionOf(ctx, target);
    if (!caller)
        return denied();
    std::string address = target.value("address");
    if (!isRelayedAddress(address))
        return badRequest("adresse relayée invalide");
    ctx.relayed->publish(caller->login, std::move(address), std::move(caller->password));
    return keywordReply(protocol::relayPublished);
}

// relaywithdraw?login=L&password=P
Response relayWithdraw(Context &ctx, const Request &, const Target &target)
{
    if (!ctx.relay || !ctx.relayed)
        return notFound();
    const auto caller = sessionOf(ctx, target);
    if (!caller)
        return denied();
    ctx.relayed->withdraw(caller->login);
    return keywordReply(protocol::relayWithdrawn);
}

// relaylookup?login=L&password=P&pseudo=X: "RELAYEDAT" address "|" while X's session that
// published it lives, "NOTRELAYED" otherwise.
Response relayLookup(Context &ctx, const Request &, const Target &target)
{
    if (!ctx.relay || !ctx.relayed)
        return notFound();
    if (!sessionOf(ctx, target))
        return denied();
    const std::string pseudo = normalisePseudo(target.value("pseudo"));
    if (pseudo.empty())
        return keywordReply(protocol::notRelayed);
    const auto address = ctx.relayed->liveAddress(pseudo, ctx.sessions);
    if (!address)
        return keywordReply(protocol::notRelayed);
    return textReply(std::string(protocol::relayedAt) + *address + protocol::recordEnd);
}

void withdrawRelayed(Context &ctx, const std::string &pseudo)
{
    if (ctx.relayed)
        ctx.relayed->withdraw(pseudo);
}

} // namespace jaserelle::community
