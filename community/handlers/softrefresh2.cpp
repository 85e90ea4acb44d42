#include "common/cp1252.h"
#include "common/protocol.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"
#include "community/store/cachingstore.h"

#include <cstdint>
#include <memory>

namespace jaserelle::community {
namespace {

// pseudo,address,sex,age,department,colour flag|. The colour flag is "1" when the member has a
// photo. Everything but the address (live presence) changes only with the list or at midnight, so
// it is formatted once per list and day, in Windows-1252, and kept with the cached list: contact
// i's text before its address is text[cuts[2i], cuts[2i+1]), after it text[cuts[2i+1], cuts[2i+2]).
struct ContactLines
{
    std::string text;
    std::vector<std::uint32_t> cuts;
};

std::shared_ptr<const ContactLines> formatContacts(const std::vector<MemberSummary> &members,
                                                   const LocalDateTime &now)
{
    auto lines = std::make_shared<ContactLines>();
    std::string utf8;
    lines->cuts.reserve(2 * members.size() + 1);
    lines->cuts.push_back(0);
    for (const auto &m : members) {
        utf8 = m.pseudo;
        utf8 += protocol::fieldSeparator;
        lines->text += cp1252::fromUtf8(utf8);
        lines->cuts.push_back(static_cast<std::uint32_t>(lines->text.size()));
        const int age = ageOn(m.birthDate, now);
        utf8 = protocol::fieldSeparator;
        utf8 += m.sex;
        utf8 += protocol::fieldSeparator;
        if (age >= 0)
            utf8 += std::to_string(age);
        utf8 += protocol::fieldSeparator;
        utf8 += fieldSafe(departmentOf(m.postalCode), ",|");
        utf8 += protocol::fieldSeparator;
        utf8 += m.hasPhoto ? '1' : '0';
        utf8 += protocol::recordEnd;
        lines->text += cp1252::fromUtf8(utf8);
        lines->cuts.push_back(static_cast<std::uint32_t>(lines->text.size()));
    }
    return lines;
}

struct FormattedList
{
    std::shared_ptr<const std::vector<MemberSummary>> members;
    std::shared_ptr<const ContactLines> lines;
};

FormattedList formattedList(Context &ctx, const std::string &login, ListKind kind, const LocalDateTime &now)
{
    if (auto *cache = dynamic_cast<CachingStore *>(&ctx.store)) {
        auto d = cache->derivedContacts(login, kind, now.date(), [&now](const std::vector<MemberSummary> &m) {
            return std::shared_ptr<const void>(formatContacts(m, now));
        });
        return {std::move(d.members), std::static_pointer_cast<const ContactLines>(d.derived)};
    }
    auto members = ctx.store.sharedContacts(login, kind);
    auto lines = formatContacts(*members, now);
    return {std::move(members), std::move(lines)};
}

void appendList(std::string &out, const ContactLines &lines, const std::vector<PresenceAddress> &addresses,
                std::string_view viewer, std::size_t &next)
{
    const char *text = lines.text.data();
    for (std::size_t c = 0; c + 2 < lines.cuts.size(); c += 2) {
        out.append(text + lines.cuts[c], lines.cuts[c + 1] - lines.cuts[c]);
        const std::string &address = addressFor(addresses[next++], viewer);
        out += address.empty() ? protocol::offlineAddress : std::string_view(address);
        out.append(text + lines.cuts[c + 1], lines.cuts[c + 2] - lines.cuts[c + 1]);
    }
}

// The answer once the member is known to be who he says. Written in Windows-1252 as it goes:
// keywords, addresses and numbers are ASCII, the contacts come converted from their cache. Each
// contact is reported at the address that reaches it from `viewer`, where this refresh came from.
Response refreshAnswer(Context &ctx, const std::string &login, std::string_view viewer)
{
    const auto instant = ctx.sessions.now();
    const LocalDateTime now = localDateTime(instant);

    // Both lists as the cache holds them (no copy), and the presence of everyone in them at once.
    const FormattedList favoris = formattedList(ctx, login, ListKind::Favoris, now);
    const FormattedList listeNoire = formattedList(ctx, login, ListKind::ListeNoire, now);
    thread_local std::vector<std::string_view> pseudos;
    thread_local std::vector<PresenceAddress> addresses;
    pseudos.clear();
    for (const auto *list : {favoris.members.get(), listeNoire.members.get()})
        for (const auto &m : *list)
            pseudos.push_back(m.pseudo);
    ctx.sessions.presences(pseudos, instant, addresses);

    Response r;
    std::string &out = r.body;
    out.reserve(128 + favoris.lines->text.size() + listeNoire.lines->text.size() + pseudos.size() * 16);
    auto section = [&out](std::string_view keyword) {
        out += keyword;
        out += protocol::recordEnd;
    };
    section(protocol::refreshOk);
    std::size_t i = 0;
    if (favoris.members->empty()) {
        section(protocol::noFavoris);
    } else {
        section(protocol::favorisStart);
        appendList(out, *favoris.lines, addresses, viewer, i);
    }

    if (listeNoire.members->empty()) {
        section(protocol::noListeNoire);
    } else {
        section(protocol::listeNoireStart);
        appendList(out, *listeNoire.lines, addresses, viewer, i);
    }

    const auto by = ctx.store.blackListedBy(login);
    if (by.empty()) {
        section(protocol::blackListedByNoOne);
    } else {
        section(protocol::blackListedByStart);
        for (const auto &p : by) {
            out += cp1252::fromUtf8(p);
            out += protocol::fieldSeparator;
        }
    }

    out += protocol::mailCount;
    out += protocol::fieldSeparator;
    out += std::to_string(ctx.store.mailCount(login));
    out += protocol::fieldSeparator;
    return r;
}

struct RefreshParams
{
    std::string login;
    std::string password;
    std::string address;  // the address the client claims others will call
    std::string observed; // where the refresh comes from: the home router's address, from outside
};

RefreshParams refreshParams(const Request &request, const Target &target)
{
    RefreshParams p{normalisePseudo(target.value("login")), lowerAscii(target.value("password")),
                    target.value("ipAdress"), observedAddress(request)};
    // The one the client reports, or the one it came from when what it reports is not a dotted
    // IPv4 address.
    if (!isDottedIpv4(p.address))
        p.address = p.observed;
    return p;
}

} // namespace

std::optional<Response> softrefresh2Quick(Context &ctx, const Request &request, const Target &target)
{
    const RefreshParams p = refreshParams(request, target);
    if (p.login.empty())
        return denied();
    // A live session first: a guesser throttling the pseudo or the address must not cut off
    // the member who is logged in.
    if (ctx.sessions.refresh(p.login, p.password, p.address, p.observed))
        return refreshAnswer(ctx, p.login, p.observed);
    if (checksThrottled(ctx, p.login, request))
        return denied();
    return std::nullopt;
}

// softrefresh2.php?login=L&password=P&ipAdress=A. Checked against the session in memory; when the
// session has lapsed (a server restart, a sleeping laptop) a good password reopens it.
Response softrefresh2(Context &ctx, const Request &request, const Target &target)
{
    if (auto quick = softrefresh2Quick(ctx, request, target))
        return std::move(*quick);
    const RefreshParams p = refreshParams(request, target);
    const bool readable = !p.password.empty() && p.password.size() <= 64;
    const auto member = readable ? ctx.store.member(p.login) : std::nullopt;
    std::chrono::microseconds hold{0};
    const bool good = member ? ctx.hasher.verify(member->passwordHash, p.password)
                             : (hold = ctx.hasher.dummyCheck(p.password), false);
    noteCheck(ctx, p.login, request, good);
    if (!good || !member->permitted) {
        Response refusal = denied();
        refusal.holdFor = hold;
        return refusal;
    }
    ctx.sessions.open(p.login, p.password, plainAddress(request.peerAddress), request.clientKey);
    ctx.sessions.refresh(p.login, p.password, p.address, p.observed);
    ctx.store.setLastConnection(p.login, today(ctx).date());
    return refreshAnswer(ctx, p.login, p.observed);
}

} // namespace jaserelle::community
