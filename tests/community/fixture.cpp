#include "tests/community/fixture.h"

#include "tests/community/engines.h"
#include "tests/community/rawclient.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <regex>

namespace jaserelle::community::test {

TempDir::TempDir()
{
    std::string name = (std::filesystem::temp_directory_path() / "jaserelle-test-XXXXXX").string();
    path_ = ::mkdtemp(name.data()); // made atomically, so parallel runs never share a folder
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

namespace {

std::chrono::system_clock::time_point startOfTest()
{
    setenv("TZ", "UTC", 1);
    tzset();
    using namespace std::chrono;
    return sys_days{year{2026} / 12 / 6} + hours{12};
}

} // namespace

CommunityTest::CommunityTest()
    : now_(startOfTest()), database_(openTestStore(dir_.path())),
      store_(std::make_unique<CachingStore>(*database_)),
      sessionStore_(openTestSessions([this] { return now_; })),
      sessions_(*sessionStore_), ctx_{*store_, sessions_, hasher_, [this] { return now_; },
                                      dir_.path() / "photos"}
{
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
    Request r;
    r.method = "GET";
    r.target = target;
    r.peerAddress = peer;
    r.clientKey = clientKey;
    return handle(ctx_, r);
}

std::string CommunityTest::body(const std::string &target, const std::string &peer)
{
    return get(target, peer).body;
}

void CommunityTest::connect(const std::string &pseudo, const std::string &peer, const std::string &reported)
{
    ASSERT_EQ(body("/softlogin.php?login=" + pseudo + "&password=" + pseudo, peer).rfind("YOURLOGINISOK|", 0),
              0u);
    ASSERT_EQ(
        body("/softrefresh2.php?login=" + pseudo + "&password=" + pseudo + "&ipAdress=" + reported, peer)
            .rfind("REFRESHISOK|", 0),
        0u);
}

ServerOptions onAnyPort(int threads)
{
    ServerOptions options;
    options.port = 0;
    options.threads = threads;
    return options;
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
    Member m;
    m.pseudo = pseudo;
    m.passwordHash = "x";
    m.sex = "H";
    m.birthDate = "1980-01-01";
    return m;
}

void writeSomeMails(const std::filesystem::path &file)
{
    SqliteStore store(file);
    for (const char *pseudo : {"alain", "berthe"})
        store.createMember(someone(pseudo));
    Mail m;
    m.sender = "alain";
    m.recipient = "berthe";
    m.date = "2026-12-06";
    m.time = "12:00:00";
    for (int i = 0; i < 400; ++i) {
        m.text = std::string(300, static_cast<char>('a' + i % 26));
        store.addMail(m);
    }
} // the last connection folds the WAL back into the file

void damageOnePage(const std::filesystem::path &file)
{
    const std::uintmax_t page = 4096, at = std::filesystem::file_size(file) / page / 2 * page;
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(at));
    f << std::string(page, '\x5A');
}

} // namespace jaserelle::community::test
