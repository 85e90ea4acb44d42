#include "common/protocol.h"
#include "community/core/criteria.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

#include <algorithm>

namespace jaserelle::community {

// searchmembers3.php, by pseudo (pseudo=P&iamuser=U) or by criteria
// (sexe=&age=&region=&taille=&poids=&iamuser=U&withphotoonly=yes|no).
//
// A pseudo search finds every member whose pseudo contains the text, whatever its case. Both
// leave out the searcher. At most ctx.searchCap rows, by pseudo; one more found adds the limit
// part. Field 6 is "no" unless the member found has put the searcher on the black list; the
// searcher is known only through a live session from its login address, otherwise every row
// says "no". A connected member's address is the one that reaches it from where the search
// came from (its home's LAN address to a searcher of the same home).
Response searchmembers3(Context &ctx, const Request &request, const Target &target)
{
    const LocalDateTime now = today(ctx);
    const std::string searcher = normalisePseudo(target.value("iamuser"));

    SearchQuery query;
    query.excludePseudo = searcher;
    query.limit = ctx.searchCap + 1;
    if (const auto part = target.get("pseudo")) {
        std::string text = *part;
        text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
        query.pseudoPart = normalisePseudo(text);
        if (query.pseudoPart.empty())
            return keywordReply(protocol::noSearchResult);
    } else {
        CriteriaTexts texts{target.value("sexe"),   target.value("age"),   target.value("region"),
                            target.value("taille"), target.value("poids"), target.value("withphotoonly")};
        applyCriteria(texts, now, query);
    }

    auto found = ctx.store.search(query);
    if (found.empty())
        return keywordReply(protocol::noSearchResult);
    const bool capped = found.size() > static_cast<std::size_t>(ctx.searchCap);
    if (capped)
        found.resize(static_cast<std::size_t>(ctx.searchCap));

    std::vector<std::string> blackListers;
    if (actsForLiveSession(ctx, request, searcher))
        blackListers = ctx.store.blackListedBy(searcher);

    const auto instant = ctx.sessions.now();
    const std::string viewer = observedAddress(request);
    std::string out(protocol::searchStart);
    for (const auto &m : found) {
        const int age = ageOn(m.birthDate, now);
        out += m.pseudo;
        out += protocol::fieldSeparator;
        out += m.sex;
        out += protocol::fieldSeparator;
        out += age < 0 ? std::string() : std::to_string(age);
        out += protocol::fieldSeparator;
        out += fieldSafe(m.postalCode, ",|");
        out += protocol::fieldSeparator;
        const auto presence = ctx.sessions.presence(m.pseudo, instant);
        out += presence ? addressFor(*presence, viewer) : std::string(protocol::offlineAddress);
        out += protocol::fieldSeparator;
        const bool greyed =
            std::find(blackListers.begin(), blackListers.end(), m.pseudo) != blackListers.end();
        out += greyed ? "yes" : "no";
        out += protocol::fieldSeparator;
        out += m.hasPhoto ? '1' : '0';
        out += protocol::recordEnd;
    }
    out += protocol::searchOk;
    out += protocol::recordEnd;
    if (capped) {
        out += protocol::maxResultReached;
        out += protocol::fieldSeparator + std::to_string(ctx.searchCap) + protocol::recordEnd;
    }
    return textReply(std::move(out));
}

} // namespace jaserelle::community
