#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

#include <exception>
#include <iostream>
#include <string_view>

namespace jaserelle::community {
namespace {

// The path exactly as handle() routes it (fragment dropped): what is slow is decided on the
// same reading as what runs.
std::string pathOf(const Request &request)
{
    return Target::parse(request.target).path();
}

Response unavailable()
{
    // A store failure (disk full, locked too long): the client sees no keyword and keeps
    // its state; nothing of the failure leaks into the answer.
    return textReply("Le serveur est momentanément indisponible.\r\n", 503);
}

} // namespace

bool isSlowRequest(const Request &request)
{
    const std::string path = pathOf(request);
    return path == "/softlogin.php" || path == "/inscription";
}

std::optional<Response> handleQuick(Context &ctx, const Request &request)
{
    try {
        const Target target = Target::parse(request.target);
        const std::string &path = target.path();
        if (request.method == "GET" && path == "/softrefresh2.php")
            return softrefresh2Quick(ctx, request, target);
        if (request.method == "GET" && path == "/softlogin.php")
            return softloginQuick(ctx, request, target);
        if (request.method == "POST" && path == "/inscription")
            return std::nullopt;
        return handle(ctx, request);
    } catch (const std::exception &e) {
        std::cerr << "jaserelle-server: " << e.what() << std::endl;
        return unavailable();
    }
}

Response refuseUnchecked(const Request &request)
{
    const std::string path = pathOf(request);
    if (path == "/softlogin.php")
        return textReply("YOURLOGINISWRONG");
    if (path == "/softrefresh2.php")
        return denied();
    return unavailable();
}

Response handle(Context &ctx, const Request &request)
{
    try {
        const Target target = Target::parse(request.target);
        const std::string &path = target.path();

        if (request.method == "POST") {
            if (path == "/inscription")
                return signUp(ctx, request);
            return textReply("Méthode non prise en charge.\r\n", 405);
        }
        if (request.method != "GET")
            return textReply("Méthode non prise en charge.\r\n", 405);

        if (path == "/softrefresh2.php") // first: by far the most frequent request
            return softrefresh2(ctx, request, target);
        if (path == "/softlogin.php")
            return softlogin(ctx, request, target);
        if (path == "/softlogoff.php")
            return softlogoff(ctx, request, target);
        if (path == "/ajoutmembre.php")
            return ajoutmembre(ctx, request, target);
        if (path == "/removemembre.php")
            return removemembre(ctx, request, target);
        if (path == "/getprofil.php")
            return getprofil(ctx, request, target);
        if (path == "/searchmembers3.php")
            return searchmembers3(ctx, request, target);
        if (path == "/sendmail.php")
            return sendmail(ctx, request, target);
        if (path == "/readmails.php")
            return readmails(ctx, request, target);
        if (path == "/deletemail.php")
            return deletemail(ctx, request, target);
        constexpr std::string_view photos = "/photos/";
        if (path.compare(0, photos.size(), photos) == 0)
            return photo(ctx, request, std::string_view(path).substr(photos.size()));
        if (path == "/" || path == "/index.html")
            return homePage(ctx);
        if (path == "/onlinehelp.html")
            return onlineHelpPage();
        return notFound();
    } catch (const std::exception &e) {
        std::cerr << "jaserelle-server: " << e.what() << std::endl;
        return unavailable();
    }
}

} // namespace jaserelle::community
