// Login, logoff, refresh, contact editing, profile and photo, byte for byte, without sockets.
#include "tests/community/fixture.h"

#include <fstream>

using namespace jaserelle::community;
using namespace jaserelle::community::test;
using testing::IsSubstring;

TEST_F(CommunityTest, LoginAcceptsTheRightPasswordInAnyCaseButNotAWithdrawnMember)
{
    addMember("alice");
    EXPECT_EQ(body("/softlogin.php?login=ALICE&password=AlIcE"), "YOURLOGINISOK||");
    for (const char *q : {"?login=alice&password=wrong", "?login=nobody&password=nobody", "?login=alice", ""})
        EXPECT_EQ(body(std::string("/softlogin.php") + q), "YOURLOGINISWRONG") << q;
    EXPECT_EQ(store_->member("alice")->lastConnection, "2026-12-06");
    // The server's message goes out in Windows-1252, its separators and keywords made harmless.
    store_->setSetting(loginMessageKey, "Fête ce soir | venez nombreux, REFRESHISOK");
    EXPECT_EQ(body("/softlogin.php?login=alice&password=alice"),
              "YOURLOGINISOK|F\xEAte ce soir / venez nombreux, R\xAD\x45\x46RESHISOK|");
    // A withdrawn member is told so, and gets no session.
    addMember("bruno");
    store_->setPermitted("bruno", false);
    EXPECT_EQ(body("/softlogin.php?login=bruno&password=bruno"),
              "YOURLOGINISOK|YOUDONTHAVETHEPERMISSIONTOUSEJASERELLEVotre acc\xE8s \xE0 Jaserelle a \xE9t\xE9 "
              "suspendu par l'\xE9quipe de la communaut\xE9.|");
    EXPECT_EQ(get("/softrefresh2.php?login=bruno&password=bruno&ipAdress=1.2.3.4").status, 403);
    EXPECT_FALSE(sessions_.presence("bruno"));
}

TEST_F(CommunityTest, AnUnknownPseudoIsRefusedLikeAWrongPasswordWithoutTheHash)
{
    addMember("alice");
    // A login and a refresh with a wrong password, each from an address of its own.
    const auto guess = [this](const std::string &pseudo, const std::string &n) {
        return std::pair(
            get("/softlogin.php?login=" + pseudo + "&password=guess", "10.0.1." + n),
            get("/softrefresh2.php?login=" + pseudo + "&password=guess&ipAdress=1.2.3.4", "10.0.2." + n));
    };
    const auto [wrong, wrongRefresh] = guess("alice", "9");
    EXPECT_EQ(wrong.holdFor.count(), 0) << "a real check took its time already";
    EXPECT_TRUE(wrongRefresh.status == 403 && !holdsClientKeyword(wrongRefresh.body));
    int held = 0;
    for (const std::string n : {"0", "1", "2"}) {
        const auto [unknown, unknownRefresh] = guess("nobody" + n, n);
        // The same answer, byte for byte: nothing in it tells the pseudos apart.
        EXPECT_EQ(serialise(unknown), serialise(wrong));
        EXPECT_EQ(serialise(unknownRefresh), serialise(wrongRefresh));
        held += (unknown.holdFor.count() > 0) + (unknownRefresh.holdFor.count() > 0);
    }
    // After alice's check, unknown pseudos wait instead of hashing (unless none ran for a second).
    EXPECT_GE(held, 4);
}

TEST_F(CommunityTest, AnOlderDearerHashIsReplacedAtTheNextGoodLogin)
{
    // Olga's hash was made with other limits than the server's (the production ones, here).
    Member olga = someone("olga");
    const std::string dear = olga.passwordHash =
        PasswordHasher(PasswordHasher::Strength::Interactive).hash("olga");
    ASSERT_TRUE(store_->createMember(olga) && hasher_.needsRehash(dear));
    EXPECT_EQ(body("/softlogin.php?login=olga&password=guess"), "YOURLOGINISWRONG"); // changes nothing
    EXPECT_EQ(store_->member("olga")->passwordHash, dear);
    EXPECT_EQ(body("/softlogin.php?login=olga&password=olga"), "YOURLOGINISOK||");
    const std::string renewed = store_->member("olga")->passwordHash;
    EXPECT_TRUE(renewed != dear && !hasher_.needsRehash(renewed));
    // The same password still lets her in, and is not hashed again.
    EXPECT_EQ(body("/softlogin.php?login=olga&password=olga", "10.0.0.2"), "YOURLOGINISOK||");
    EXPECT_EQ(store_->member("olga")->passwordHash, renewed);
}

TEST_F(CommunityTest, RefreshListsContactsWithPresenceAgeDepartmentAndPhotoFlag)
{
    addMember("alice", "F", "1990-06-15", "75011");
    addMember("bruno", "H", "1980-12-06", "13006", true); // 46 today
    addMember("chloe", "F", "2000-12-07", "6", false);    // 25 until tomorrow; a short postal code
    addMember("damien", "H", "1970-01-01", "H2X1Y4");
    addMember("eve", "F", "1995-03-03", "69003");
    store_->addContact("alice", "bruno", ListKind::Favoris);
    store_->addContact("alice", "chloe", ListKind::Favoris);
    store_->addContact("alice", "damien", ListKind::ListeNoire);
    store_->addContact("damien", "alice", ListKind::ListeNoire);
    store_->addContact("eve", "alice", ListKind::ListeNoire);
    connect("bruno", "10.0.0.2", "192.168.1.20");
    for (int i = 0; i < 2; ++i)
        body("/sendmail.php?sender=bruno&login=alice&subject=NULL&message=x", "10.0.0.2");
    connect("alice");
    EXPECT_EQ(body("/softrefresh2.php?login=alice&password=alice&ipAdress=192.168.1.10"),
              "REFRESHISOK|HERESTARTFAVORIS|bruno,10.0.0.2,H,46,13,1|chloe,0.0.0.0,F,25,6,0|"
              "HERESTARTLISTENOIRE|damien,0.0.0.0,H,56,H2,0|IAMINLISTENOIREOF|damien,eve,MYMAILSNUMBER,2,");
}

TEST_F(CommunityTest, PresenceLastsWhileRefreshesComeAndEndsAtLogoff)
{
    for (const char *p : {"alice", "bruno"})
        addMember(p);
    store_->addContact("alice", "bruno", ListKind::Favoris);
    connect("alice");
    const std::string
        bruno = "?login=bruno&password=bruno",
        refresh = "/softrefresh2.php" + bruno + "&ipAdress=",
        refreshed = "REFRESHISOK|NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|MYMAILSNUMBER,0,";
    // Request, its reply, seconds that pass after it, bruno's address in alice's list then.
    const std::tuple<std::string, std::string, int, const char *> steps[] = {
        {"/softlogin.php" + bruno, "YOURLOGINISOK||", 0, "0.0.0.0"}, // no refresh yet: no address to give
        {refresh + "192.168.1.20", refreshed, 0, "192.168.1.20"},
        // Not an address: the address the refresh came from stands in.
        {refresh + "localhost", refreshed, 80, "10.0.0.1"},
        {refresh + "192.168.1.20", refreshed, 91, "0.0.0.0"},
        {refresh + "1.2.3.4", refreshed, 0, "1.2.3.4"}, // the lapsed session reopens
        {"/softlogoff.php?login=bruno&password=wrong", "SOFTLOGOFFSUCCESS", 0, "1.2.3.4"}, // ends nothing
        {"/softlogoff.php" + bruno, "SOFTLOGOFFSUCCESS", 0, "0.0.0.0"}};
    // Bruno lives in alice's home: she is shown what his client claims.
    for (const auto &[request, reply, after, shown] : steps) {
        EXPECT_EQ(body(request, "10.0.0.1"), reply) << request;
        advance(std::chrono::seconds(after));
        EXPECT_PRED_FORMAT2(IsSubstring, "bruno," + std::string(shown) + ",",
                            body("/softrefresh2.php?login=alice&password=alice&ipAdress=192.168.1.10"))
            << request;
    }
}

// Members behind home routers (their requests come from the router's address, they claim a LAN one)
// are each reported at the address that reaches them from where the viewer's requests come from.
TEST_F(CommunityTest, ContactsAndSearchRowsCarryTheLanAddressOnlyInsideTheHome)
{
    // Pseudo, source, claimed address. alice and bruno share a home; carla's LAN uses the same range
    // as theirs (as most homes do); dan is on no LAN at all: what he claims is where he is.
    const char *const homes[][3] = {{"alice", "127.0.0.2", "192.168.2.10"},
                                    {"bruno", "127.0.0.2", "192.168.2.11"},
                                    {"carla", "127.0.0.3", "192.168.2.10"},
                                    {"dan", "127.0.0.4", "127.0.0.4"}};
    const auto &[alice, bruno, carla, dan] = homes;
    for (const auto &h : homes)
        addMember(h[0]);
    for (const auto &h : homes)
        for (const auto &other : homes)
            if (&h != &other)
                store_->addContact(h[0], other[0], ListKind::Favoris);
    const auto refresh = [this](const char *const(&h)[3], const char *source = nullptr) {
        return body(std::string("/softrefresh2.php?login=") + h[0] + "&password=" + h[0] +
                        "&ipAdress=" + h[2],
                    source ? source : h[1]);
    };
    for (const auto &h : homes)
        connect(h[0], h[1], h[2]);

    // The whole answer, byte for byte: only the addresses follow the viewer.
    EXPECT_EQ(refresh(alice), "REFRESHISOK|HERESTARTFAVORIS|bruno,192.168.2.11,F,36,75,0|"
                              "carla,127.0.0.3,F,36,75,0|dan,127.0.0.4,F,36,75,0|NOLISTENOIREDEFINED|"
                              "IAMINNOONELISTENOIRE|MYMAILSNUMBER,0,");
    EXPECT_EQ(refresh(carla), "REFRESHISOK|HERESTARTFAVORIS|alice,127.0.0.2,F,36,75,0|"
                              "bruno,127.0.0.2,F,36,75,0|dan,127.0.0.4,F,36,75,0|NOLISTENOIREDEFINED|"
                              "IAMINNOONELISTENOIRE|MYMAILSNUMBER,0,");

    // A search answers by the same rule, whoever asks (a searcher need not be logged in).
    const std::string search = "/searchmembers3.php?pseudo=a&iamuser=";
    EXPECT_EQ(body(search + "bruno", bruno[1]),
              "HERESTARTSEARCHRESULTalice,F,36,75011,192.168.2.10,no,0|carla,F,36,75011,127.0.0.3,no,0|"
              "dan,F,36,75011,127.0.0.4,no,0|SEARCHISOK|");
    EXPECT_EQ(
        body(search + "dan", dan[1]),
        "HERESTARTSEARCHRESULTalice,F,36,75011,127.0.0.2,no,0|carla,F,36,75011,127.0.0.3,no,0|SEARCHISOK|");
    EXPECT_EQ(body(search + "nobody", "127.0.0.3"),
              "HERESTARTSEARCHRESULTalice,F,36,75011,127.0.0.2,no,0|carla,F,36,75011,192.168.2.10,no,0|"
              "dan,F,36,75011,127.0.0.4,no,0|SEARCHISOK|");

    // Carla's laptop goes to alice's home: from then on she is one of them.
    ASSERT_EQ(refresh(carla, alice[1]).rfind("REFRESHISOK|", 0), 0u);
    EXPECT_PRED_FORMAT2(IsSubstring, "|carla,192.168.2.10,", refresh(alice));
    EXPECT_PRED_FORMAT2(IsSubstring, "|carla,127.0.0.2,", refresh(dan));
    // Seen over IPv6, a member is reported at the address it claims; a mapped IPv4 one is IPv4.
    connect("dan", "2001:db8::5", "192.168.7.7");
    EXPECT_PRED_FORMAT2(IsSubstring, "|dan,192.168.7.7,", refresh(alice));
    connect("dan", "::ffff:127.0.0.8", "192.168.7.7");
    EXPECT_PRED_FORMAT2(IsSubstring, "|dan,127.0.0.8,", refresh(alice));
}

TEST_F(CommunityTest, ContactEditingAndMailsReachTheNextRefreshThroughItsCache)
{
    for (const char *p : {"alice", "bruno"})
        addMember(p);
    connect("alice");
    connect("bruno", "10.0.0.2", "192.168.1.20");
    const std::string refresh = "/softrefresh2.php?login=alice&password=alice&ipAdress=192.168.1.10";
    body(refresh); // cached from now on
    const std::string add = "/ajoutmembre.php?login=alice&pseudo=";
    EXPECT_EQ(body(add + "bruno&liste=favoris"), "LISTESMISESAJOUR");
    EXPECT_EQ(body(add + "Bruno&liste=favoris"), "LEMEMBREESTDEJADANSLALISTE");
    body("/ajoutmembre.php?login=bruno&pseudo=alice&liste=listenoire", "10.0.0.2");
    EXPECT_EQ(body(refresh), "REFRESHISOK|HERESTARTFAVORIS|bruno,10.0.0.2,F,36,75,0|NOLISTENOIREDEFINED|"
                             "IAMINLISTENOIREOF|bruno,MYMAILSNUMBER,0,");
    store_->removeContact("bruno", "alice", ListKind::ListeNoire);
    body("/sendmail.php?sender=bruno&login=alice&subject=NULL&message=x", "10.0.0.2");
    store_->setHasPhoto("bruno", true);
    EXPECT_EQ(body(add + "bruno&liste=listenoire"), "LISTESMISESAJOUR"); // a move
    EXPECT_EQ(body(refresh), "REFRESHISOK|NOFAVORISDEFINED|HERESTARTLISTENOIRE|bruno,10.0.0.2,F,36,75,1|"
                             "IAMINNOONELISTENOIRE|MYMAILSNUMBER,1,");
    body("/deletemail.php?login=alice&sender=bruno&date=2026-12-06&time=12:00:00&subject=NULL&message=x");
    EXPECT_PRED_FORMAT2(IsSubstring, "MYMAILSNUMBER,0,", body(refresh));

    for (const char *who : {"nobody", "jean%20paul", ""})
        EXPECT_EQ(body(add + who + "&liste=favoris"), "LEMEMBRENEXISTEPAS") << who;
    EXPECT_EQ(body(add + "alice&liste=favoris"), "LEMEMBREESTDEJADANSLALISTE"); // oneself
    const Response amis = get(add + "bruno&liste=amis");
    EXPECT_TRUE(amis.status == 400 && !holdsClientKeyword(amis.body)) << amis.body;
    const std::string remove = "/removemembre.php?login=alice&pseudo=bruno&liste=";
    EXPECT_EQ(body(remove + "favoris"), "REMOVEISSUCCESSFUL"); // not there: nothing to do, still done
    EXPECT_EQ(store_->contacts("alice", ListKind::ListeNoire).size(), 1u);
    EXPECT_EQ(body(remove + "listenoire"), "REMOVEISSUCCESSFUL");
    EXPECT_PRED_FORMAT2(IsSubstring, "|NOLISTENOIREDEFINED|", body(refresh));
}

TEST_F(CommunityTest, ProfilesEmptyFullAndUnknownAndPhotosOnlyFromThePhotoFolder)
{
    addMember("vide", "F", "1990-01-01", "");
    EXPECT_EQ(body("/getprofil.php?pseudo=vide"),
              "HERESTARTREQUIREDPROFILNULL,NULL,NULL,0,0,NULL,NULL,NULL,NULL,NULL,NULL,-1,0,2026-12-01,");

    addMember("helene", "F", "1990-01-01", "", true,
              {"Hélène", "Saint-Étienne, centre", "Rhone-Alpes", 175, 68, "châtains", "verts", "européenne",
               "SEARCHISOK", "non", "veuf", 2});
    // A comma in a value would shift every later field: it becomes a space. A keyword is defused.
    EXPECT_EQ(
        body("/getprofil.php?pseudo=HELENE"),
        "HERESTARTREQUIREDPROFILH\xE9l\xE8ne,Saint-\xC9tienne  centre,Rhone-Alpes,175,68,ch\xE2tains,verts,"
        "europ\xE9\x65nne,S\xAD\x45\x41RCHISOK,non,veuf,2,1,2026-12-01,");
    for (const char *q : {"?pseudo=nobody", "?pseudo=../etc", ""})
        EXPECT_EQ(body(std::string("/getprofil.php") + q), "LEMEMBRENEXISTEPAS") << q;

    const std::string jpeg("\xFF\xD8\xFF\xE0\0\x10JFIF", 10);
    std::ofstream(ctx_.photosDir / "jean.jpg", std::ios::binary) << jpeg;
    std::ofstream(dir_.path() / "secret.jpg", std::ios::binary) << "secret";

    // The answer byte for byte is the loopback test's; here, which names reach which file.
    EXPECT_EQ(get("/photos/JEAN.jpg").body, jpeg);
    for (const char *bad : {"/photos/../secret.jpg", "/photos/..%2Fsecret.jpg", "/photos/jean.jpg/",
                            "/photos/jean", "/photos/.jpg", "/photos/jean.png", "/photos/sub/jean.jpg",
                            "/photos/%6Aean.jpg", "/photos/nobody.jpg", "/photos/"}) {
        const Response missing = get(bad);
        EXPECT_EQ(std::pair(missing.status, missing.body), std::pair(404, std::string("LEMEMBRENEXISTEPAS")))
            << bad;
        EXPECT_PRED_FORMAT2(testing::IsNotSubstring, "image/jpeg", serialise(missing)) << bad;
    }
}
