#include "common/protocol.h"
#include "community/core/criteria.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {
namespace {

void appendText(std::string &out, const std::string &value)
{
    const std::string safe = fieldSafe(defuseKeywords(value), ",|~");
    out += safe.empty() ? std::string(protocol::noText) : safe;
    out += protocol::fieldSeparator;
}

void appendNumber(std::string &out, int value)
{
    out += std::to_string(value);
    out += protocol::fieldSeparator;
}

} // namespace

// getprofil.php?pseudo=P: "HERESTARTREQUIREDPROFIL" and its 14 comma-ended fields.
// An unknown pseudo is answered "LEMEMBRENEXISTEPAS": the client shows nothing for it outside
// the add dialogs, but switches its refresh timer back on.
Response getprofil(Context &ctx, const Request &, const Target &target)
{
    const std::string pseudo = normalisePseudo(target.value("pseudo"));
    const auto member = pseudo.empty() ? std::nullopt : ctx.store.member(pseudo);
    if (!member)
        return keywordReply(protocol::memberUnknown, 404);

    const Profile &p = member->profile;
    std::string out(protocol::profileStart);
    appendText(out, p.firstName);
    appendText(out, p.town);
    appendText(out, p.region);
    appendNumber(out, p.heightCm > 0 ? p.heightCm : 0);
    appendNumber(out, p.weightKg > 0 ? p.weightKg : 0);
    appendText(out, p.hair);
    appendText(out, p.eyes);
    appendText(out, p.ethnicity);
    appendText(out, p.style);
    appendText(out, p.smoker);
    appendText(out, p.maritalStatus);
    appendNumber(out, p.children >= 0 ? p.children : -1);
    out += member->hasPhoto ? '1' : '0';
    out += protocol::fieldSeparator;
    out += isIsoDate(member->lastConnection) ? member->lastConnection : today(ctx).date();
    out += protocol::fieldSeparator;
    return textReply(std::move(out));
}

} // namespace jaserelle::community
