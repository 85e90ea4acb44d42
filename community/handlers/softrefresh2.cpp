#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {
namespace {

// pseudo,address,sex,age,department,colour flag|. The colour flag is "1" when the
// member has a photo.
void appendContact(std::string &out, const MemberSummary &m, const std::string &address, const LocalDateTime &now)
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

} // namespace

// softrefresh2.php?login=L&password=P&ipAdress=A. Checked against the session in memory; when the
// session has lapsed (a server restart, a sleeping laptop) a good password reopens it.
Response softrefresh2(Context &ctx, const Request &request, const Target &target)
{
    const std::string login = normalisePseudo(target.value("login"));
    const std::string password = lowerAscii(target.value("password"));
    if (login.empty())
        return denied();

    // The address others will call: the one the client reports, or the one it came from when
    // what it reports is not a dotted IPv4 address.
    std::string address = target.value("ipAdress");
    if (!isDottedIpv4(address)) {
        address = plainAddress(request.peerAddress);
        if (!isDottedIpv4(address))
            address.clear();
    }

    if (!ctx.sessions.refresh(login, password, address)) {
        const auto member = ctx.store.member(login);
        if (!member || !member->permitted || password.empty() || password.size() > 64 ||
            !ctx.hasher.verify(member->passwordHash, password))
            return denied();
        ctx.sessions.open(login, password, plainAddress(request.peerAddress));
        ctx.sessions.refresh(login, password, address);
        ctx.store.setLastConnection(login, today(ctx).date());
    }

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

} // namespace jaserelle::community
