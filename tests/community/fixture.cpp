#include "tests/community/fixture.h"

#include "tests/community/engines.h"
#include "tests/community/rawclient.h"

#include <cstdio>
#include <ctime>
#include <regex>

namespace jaserelle::community::test {

CommunityTest::CommunityTest()
    : now_(std::chrono::sys_days{std::chrono::December / 6 / 2026} + std::chrono::hours{12}),
      database_(openTestStore(dir_.path())), store_(std::make_unique<CachingStore>(*database_)),
      sessionStore_(openTestSessions([this] { return now_; })),
      sessions_(*sessionStore_), ctx_{*store_, sessions_, hasher_, [this] { return now_; },
                                      dir_.path() / "photos"}
{
    setenv("TZ", "UTC", 1);
    tzset();
    std::filesystem::create_directories(ctx_.photosDir);
}

void CommunityTest::addMember(const std::string &pseudo, const std::string &sex, const std::string &birthDate,
                              const std::string &postalCode, bool hasPhoto, const Profile &profile)
{
    ASSERT_TRUE(store_->createMember({.pseudo = pseudo,
                                      .passwordHash = hasher_.hash(pseudo),
                                      .sex = sex,
                                      .birthDate = birthDate,
                                      .postalCode = postalCode,
                                      .profile = profile,
                                      .hasPhoto = hasPhoto,
                                      .lastConnection = "2026-12-01"}))
        << pseudo;
}

Response CommunityTest::get(const std::string &target, const std::string &peer, const std::string &clientKey)
{
    return handle(ctx_, {.method = "GET", .target = target, .peerAddress = peer, .clientKey = clientKey});
}

void CommunityTest::connect(const std::string &pseudo, const std::string &peer, const std::string &reported)
{
    const std::string login = "login=" + pseudo + "&password=" + pseudo;
    ASSERT_EQ(body("/softlogin.php?" + login, peer).rfind("YOURLOGINISOK|", 0), 0u);
    ASSERT_EQ(body("/softrefresh2.php?" + login + "&ipAdress=" + reported, peer).rfind("REFRESHISOK|", 0),
              0u);
}

void CommunityTest::serve(ServerOptions options)
{
    server_ = std::make_unique<HttpServer>([this](const Request &r) { return handle(ctx_, r); }, options,
                                           isSlowRequest);
    server_->start();
}

std::string CommunityTest::ask(const std::string &pathAndQuery, const char *source,
                               const std::string &headers)
{
    std::string request = getRequest(pathAndQuery);
    request.insert(request.size() - 2, headers);
    return bodyOf(exchangeOnce(server_->port(), request, source));
}

std::string commandOutput(const std::string &command)
{
    std::string out;
    if (FILE *p = popen(command.c_str(), "r")) {
        char buffer[256];
        while (const std::size_t n = fread(buffer, 1, sizeof buffer, p))
            out.append(buffer, n);
        pclose(p);
    }
    return out;
}

bool holdsClientKeyword(const std::string &text)
{
    // Every keyword the client acts on is a run of capitals; the photo's is its content type.
    return std::regex_search(text, std::regex("[A-Z]{8}|image/jpeg"));
}

Member someone(const std::string &pseudo)
{
    return {.pseudo = pseudo, .passwordHash = "x", .sex = "H", .birthDate = "1980-01-01"};
}

} // namespace jaserelle::community::test
