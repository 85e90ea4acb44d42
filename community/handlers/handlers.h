#pragma once

#include "community/handlers/context.h"
#include "community/http/message.h"
#include "community/http/query.h"

// One function per server script (handlers/<script>.cpp), and the router over them.
namespace jaserelle::community {

// The whole server without its sockets: one request in, one answer out. Never throws.
Response handle(Context &ctx, const Request &request);

Response softlogin(Context &ctx, const Request &request, const Target &target);
Response softlogoff(Context &ctx, const Request &request, const Target &target);
Response softrefresh2(Context &ctx, const Request &request, const Target &target);
Response ajoutmembre(Context &ctx, const Request &request, const Target &target);
Response removemembre(Context &ctx, const Request &request, const Target &target);
Response getprofil(Context &ctx, const Request &request, const Target &target);
Response photo(Context &ctx, const Request &request, std::string_view fileName);
Response searchmembers3(Context &ctx, const Request &request, const Target &target);
Response sendmail(Context &ctx, const Request &request, const Target &target);
Response readmails(Context &ctx, const Request &request, const Target &target);
Response deletemail(Context &ctx, const Request &request, const Target &target);

// Web pages (community/pages/).
Response homePage(Context &ctx);
Response onlineHelpPage();
Response signUp(Context &ctx, const Request &request);

} // namespace jaserelle::community
