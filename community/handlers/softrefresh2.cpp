#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {
namespace {

// pseudo,address,sex,age,department,colour flag|. The colour flag is "1" when the
// member has a photo.
void appendContact(std::string &out, const MemberSummary &m, const std::string &address,
                   const LocalDateTime &now)
{
    const int age = ageOn(m.birthDate, now);
    out += m.pseudo;
    out += ',';
    out += address.empty() ? "0.0.0.0" : address;
    out += ',';
    out += m.sex;
    out += ',';
    out += age < 0 ? std::string() : std::to_string(age);
    out += ',';
    out += fieldSafe(departmentOf(m.postalCode), ",|");
    out += ',';
    out += m.hasPhoto ? '1' : '0';
    out += '|';
}

// The answer once the member is known to be who he says.
Response refreshAnswer(Context &ctx, const std::string &login)
{
    const auto instant = ctx.sessions.now();
    const LocalDateTime now = localDateTime(instant);
    std::string out;
    out += "REFRESHISOK|";

    // Both lists as the cache holds them (no copy), and the presence of everyone in them at once.
    const auto favoris = ctx.store.sharedContacts(login, ListKind::Favoris);
    const auto listeNoire = ctx.store.sharedContacts(login, ListKind::ListeNoire);
    thread_local std::vector<std::string_view> pseudos;
    thread_local std::vector<std::string> addresses;
    pseudos.clear();
    for (const auto *list : {favoris.get(), listeNoire.get()})
        for (const auto &m : *list)
            pseudos.push_back(m.pseudo);
    ctx.sessions.presences(pseudos, instant, addresses);
    out.reserve(64 + pseudos.size() * 48);

    std::size_t i = 0;
    if (favoris->empty()) {
        out += "NOFAVORISDEFINED|";
    } else {
        out += "HERESTARTFAVORIS|";
        for (const auto &m : *favoris)
            appendContact(out, m, addresses[i++], now);
    }

    if (listeNoire->empty()) {
        out += "NOLISTENOIREDEFINED|";
    } else {
        out += "HERESTARTLISTENOIRE|";
        for (const auto &m : *listeNoire)
            appendContact(out, m, addresses[i++], now);
    }

    const auto by = ctx.store.blackListedBy(login);
    if (by.empty()) {
        out += "IAMINNOONELISTENOIRE|";
    } else {
        out += "IAMINLISTENOIREOF|";
        for (const auto &p : by) {
            out += p;
            out += ',';
        }
    }

    out += "MYMAILSNUMBER,";
    out += std::to_string(ctx.store.mailCount(login));
    out += ',';
    return textReply(std::move(out));
}

struct RefreshParams
{
    std::string login;
    std::string password;
    std::string address; // the address others will call
};

RefreshParams refreshParams(const Request &request, const Target &target)
{
    RefreshParams p{normalisePseudo(target.value("login")), lowerAscii(target.value("password")),
                    target.value("ipAdress")};
    // The one the client reports, or the one it came from when what it reports is not a dotted
    // IPv4 address.
    if (!isDottedIpv4(p.address)) {
        p.address = plainAddress(request.peerAddress);
        if (!isDottedIpv4(p.address))
            p.address.clear();
    }
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
    if (ctx.sessions.refresh(p.login, p.password, p.address))
        return refreshAnswer(ctx, p.login);
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
    const bool good = member ? ctx.hasher.verify(member->passwordHash, p.password)
                             : (ctx.hasher.verifyDummy(p.password), false);
    noteCheck(ctx, p.login, request, good);
    if (!good || !member->permitted)
        return denied();
    ctx.sessions.open(p.login, p.password, plainAddress(request.peerAddress));
    ctx.sessions.refresh(p.login, p.password, p.address);
    ctx.store.setLastConnection(p.login, today(ctx).date());
    return refreshAnswer(ctx, p.login);
}

} // namespace jaserelle::community
