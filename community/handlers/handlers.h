#pragma once

#include "community/handlers/context.h"
#include "community/http/message.h"
#include "community/http/query.h"

#include <optional>

// One function per server script (handlers/<script>.cpp), and the router over them.
namespace jaserelle::community {

// The whole server without its sockets: one request in, one answer out. Never throws.
Response handle(Context &ctx, const Request &request);

// The requests that check a password against its slow hash (login, sign-up): the server runs
// them apart from the others.
bool isSlowRequest(const Request &request);

// What can be answered without the slow hash, on the connection's own thread: nothing when the
// request must go to handle() on the slow-hash threads. A refresh with a live session is answered
// here; one without goes to the slow hash, unless repeated failures refuse it at once.
std::optional<Response> handleQuick(Context &ctx, const Request &request);

// The answer, at once, to a request the slow-hash threads have no room for: a refused check,
// or for a login, word that the server is overloaded (never that the account is unknown).
Response refuseUnchecked(const Request &request);

// A slow request that goes before strangers' on the slow hash: a login or a refresh for a member
// who lately logged in successfully from the same network.
bool isVouchedRequest(Context &ctx, const Request &request);

Response softlogin(Context &ctx, const Request &request, const Target &target);
Response softlogoff(Context &ctx, const Request &request, const Target &target);
Response reachable(Context &ctx, const Request &request, const Target &target);
Response softrefresh2(Context &ctx, const Request &request, const Target &target);
std::optional<Response> softloginQuick(Context &ctx, const Request &request, const Target &target);
std::optional<Response> softrefresh2Quick(Context &ctx, const Request &request, const Target &target);
Response ajoutmembre(Context &ctx, const Request &request, const Target &target);
Response removemembre(Context &ctx, const Request &request, const Target &target);
Response getprofil(Context &ctx, const Request &request, const Target &target);
Response photo(Context &ctx, const Request &request, std::string_view fileName);
Response searchmembers3(Context &ctx, const Request &request, const Target &target);
Response sendmail(Context &ctx, const Request &request, const Target &target);
Response readmails(Context &ctx, const Request &request, const Target &target);
Response deletemail(Context &ctx, const Request &request, const Target &target);
// The key directory (the server's own resources; absent from a server without one).
Response publishkey(Context &ctx, const Request &request, const Target &target);
Response lookupkeys(Context &ctx, const Request &request, const Target &target);

// The call relay's resources (handlers/relay.cpp), and what a session's end does to them.
Response relayCredentials(Context &ctx, const Request &request, const Target &target);
Response relayPublish(Context &ctx, const Request &request, const Target &target);
Response relayWithdraw(Context &ctx, const Request &request, const Target &target);
Response relayLookup(Context &ctx, const Request &request, const Target &target);
void withdrawRelayed(Context &ctx, const std::string &pseudo);

// Web pages (community/pages/).
Response homePage(Context &ctx);
Response onlineHelpPage();
Response signUp(Context &ctx, const Request &request);

} // namespace jaserelle::community
