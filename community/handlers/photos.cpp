#include "common/protocol.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

#include <fstream>
#include <iterator>

namespace jaserelle::community {

// photos/<pseudo>.jpg: the JPEG file of the data folder's photos/ directory. The name must be a
// pseudo (letters and digits) followed by ".jpg", so no request can reach another file.
// A missing photo is answered 404 with "LEMEMBRENEXISTEPAS", which puts the client's refresh
// timer back on instead of leaving it off.
Response photo(Context &ctx, const Request &, std::string_view fileName)
{
    constexpr std::string_view suffix = protocol::photoSuffix;
    const Response missing = keywordReply(protocol::memberUnknown, 404);
    if (fileName.size() <= suffix.size() || fileName.substr(fileName.size() - suffix.size()) != suffix)
        return missing;
    const std::string pseudo = normalisePseudo(fileName.substr(0, fileName.size() - suffix.size()));
    if (pseudo.empty())
        return missing;

    std::ifstream in(ctx.photosDir / (pseudo + std::string(suffix)), std::ios::binary);
    if (!in)
        return missing;
    Response r;
    r.contentType = protocol::photoContentType;
    r.body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad())
        return missing;
    return r;
}

} // namespace jaserelle::community
