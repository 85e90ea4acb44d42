#include "tests/community/fixture.h"

#include "tests/community/engines.h"

#include <cstdlib>
#include <ctime>
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

bool holdsClientKeyword(const std::string &text)
{
    // Every keyword the client acts on is a run of capitals; the photo's is its content type.
    return std::regex_search(text, std::regex("[A-Z]{8}|image/jpeg"));
}

} // namespace jaserelle::community::test
