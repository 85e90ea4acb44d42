#include "admin.h"

#include "common/cp1252.h"
#include "community/core/clock.h"
#include "community/core/criteria.h"
#include "community/core/passwords.h"
#include "community/core/text.h"
#include "community/handlers/context.h"
#include "community/pages/signup.h"
#include "community/store/openstore.h"

#include <filesystem>
#include <iostream>
#include <map>

namespace jaserelle::community {
namespace {

const char *const commands[] = {"add-member", "set-message", "set-withdrawn-message",
                                "withdraw",   "restore",     "list-members"};

// --name value pairs, and the rest in order.
struct Args
{
    std::map<std::string, std::string> options;
    std::vector<std::string> positional;
};

Args splitArgs(const std::vector<std::string> &args)
{
    Args a;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i].rfind("--", 0) == 0 && i + 1 < args.size()) {
            const std::string name = args[i].substr(2);
            a.options[name] = args[i + 1];
            ++i;
        } else
            a.positional.push_back(args[i]);
    }
    return a;
}

int fail(const std::string &why)
{
    std::cerr << "jaserelle-server: " << why << "\n";
    return 2;
}

} // namespace

bool isAdminCommand(const std::string &name)
{
    for (const char *c : commands)
        if (name == c)
            return true;
    return false;
}

void printUsage()
{
    std::cout <<
        R"(Usage:
  jaserelle-server --listen ADDR:PORT --data DIR [--store postgresql://...]
                   [--presence redis://...] [--demo] [--threads N] [--access-log FILE]
                   [--trusted-proxy ADDR]... [--tls-listen ADDR:PORT --tls-cert FILE --tls-key FILE]
                   [--relay ADDR:PORT --relay-secret FILE]
      Serves the community (the data folder holds jaserelle.db and photos/).
      --listen ADDR:PORT  address and port to serve: 0.0.0.0:80, [::]:80, 127.0.0.1:0 (any free port)
      --data DIR          the data folder, created when missing
      --store URL         postgresql://... : members, lists and mails in PostgreSQL instead of
                          jaserelle.db (every admin command takes --store too)
      --presence URL      redis://HOST:PORT : sessions in Redis, shared by several servers
                          behind one load balancer
      --demo              adds the demo community (idempotent): about forty members, account demo / demo
      --threads N         threads serving connections (1 to 256, default 4)
      --access-log FILE   one line per request appended to FILE (passwords masked); standard
                          error when not given
      --trusted-proxy ADDR
                          a load balancer in front (repeatable): from ADDR the client's
                          address is read from X-Real-IP; from anyone else that header is ignored
                          (where it ends TLS, its X-Client-Cert, nginx's $ssl_client_escaped_cert,
                          is the client's key)
      --tls-listen ADDR:PORT --tls-cert FILE --tls-key FILE
                          HTTPS as well, on a port of its own (PEM certificate chain and key);
                          a client certificate is asked for, and binds the member's session to it
      --relay ADDR:PORT   the call relay (scripts/run-relay) that members nobody can reach use:
                          logged-in clients get short-lived credentials for it
      --relay-secret FILE the secret shared with the relay, on the first line of FILE
      SIGINT and SIGTERM stop it cleanly. Requests are answered in Windows-1252; dates use the
      local time (set TZ).

  jaserelle-server add-member --data DIR --pseudo P --password W --sex H|F --birth YYYY-MM-DD
                              --postal CODE --region REGION
      Adds a member (the sign-up page does the same with the optional profile fields).
  jaserelle-server set-message --data DIR [TEXT]
      The message every member sees at login; no TEXT removes it.
  jaserelle-server set-withdrawn-message --data DIR [TEXT]
      The message shown to a member whose permission was withdrawn.
  jaserelle-server withdraw --data DIR PSEUDO
  jaserelle-server restore --data DIR PSEUDO
      Withdraws or gives back a member's permission to use Jaserelle (from the next login).
  jaserelle-server list-members --data DIR
      One line per member: pseudo, sex, birth date, postal code, photo, permission.

  jaserelle-server --help | --version

See jaserelle-server(1); installed as a service: systemctl enable --now jaserelle-server.
)";
}

int runAdmin(const std::vector<std::string> &args)
{
    const Args a = splitArgs(args);
    const auto data = a.options.find("data");
    if (data == a.options.end())
        return fail("--data DIR is required");
    const auto storeUrl = a.options.find("store");
    const auto database =
        openStore(storeUrl == a.options.end() ? std::string() : storeUrl->second, data->second);
    Store &store = *database;
    const std::string &command = args[0];

    if (command == "set-message" || command == "set-withdrawn-message") {
        const std::string text = a.positional.empty() ? std::string() : a.positional[0];
        if (!cp1252::fits(text))
            return fail("the message holds characters Windows-1252 cannot carry");
        store.setSetting(command == "set-message" ? loginMessageKey : withdrawnMessageKey, text);
        std::cout << (text.empty() ? "Message removed.\n" : "Message set.\n");
        return 0;
    }
    if (command == "withdraw" || command == "restore") {
        if (a.positional.empty())
            return fail("which pseudo?");
        const std::string pseudo = normalisePseudo(a.positional[0]);
        if (pseudo.empty() || !store.setPermitted(pseudo, command == "restore"))
            return fail("no member " + a.positional[0]);
        std::cout << pseudo
                  << (command == "restore" ? ": permission restored.\n" : ": permission withdrawn.\n");
        return 0;
    }
    if (command == "list-members") {
        for (const auto &m : store.listMembers())
            std::cout << m.pseudo << '\t' << m.sex << '\t' << m.birthDate << '\t' << m.postalCode << '\t'
                      << (m.hasPhoto ? "photo" : "-") << '\t' << (m.permitted ? "permitted" : "withdrawn")
                      << '\n';
        return 0;
    }
    if (command == "add-member") {
        FormFields f;
        auto opt = [&](const char *name) {
            auto it = a.options.find(name);
            return it == a.options.end() ? std::string() : it->second;
        };
        f["pseudo"] = opt("pseudo");
        f["password"] = opt("password");
        f["password2"] = opt("password");
        f["sexe"] = opt("sex");
        f["naissance"] = opt("birth");
        f["codepostal"] = opt("postal");
        f["region"] = opt("region");
        SignUpCheck check = checkSignUp(f, false, localDateTime(std::chrono::system_clock::now()));
        if (!check.errors.empty()) {
            for (const auto &e : check.errors)
                std::cerr << e << "\n";
            return 2;
        }
        const PasswordHasher hasher;
        check.member.passwordHash = hasher.hash(check.password);
        if (!store.createMember(check.member))
            return fail("the pseudo " + check.member.pseudo + " is taken");
        std::cout << check.member.pseudo << ": member added.\n";
        return 0;
    }
    return fail("unknown command " + command);
}

} // namespace jaserelle::community
