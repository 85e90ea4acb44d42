// Login, logoff, refresh, contact editing, profile and photo, byte for byte, without sockets.
#include "tests/community/fixture.h"

#include <fstream>

using namespace jaserelle::community;
using namespace jaserelle::community::test;

TEST_F(CommunityTest, LoginAcceptsTheRightPasswordInAnyCaseButNotAWithdrawnMember)
{
    addMember("alice");
    EXPECT_EQ(body("/softlogin.php?login=alice&password=alice"), "YOURLOGINISOK||");
    EXPECT_EQ(body("/softlogin.php?login=ALICE&password=AlIcE"), "YOURLOGINISOK||");
    for (const char *q : {"?login=alice&password=wrong", "?login=nobody&password=nobody", "?login=alice", ""})
        EXPECT_EQ(body(std::string("/softlogin.php") + q), "YOURLOGINISWRONG") << q;
    EXPECT_EQ(store_->member("alice")->lastConnection, "2026-12-06");
    // The server's message goes out in Windows-1252, its separators and keywords made harmless.
    store_->setSetting(loginMessageKey, "Fête ce soir | venez nombreux, REFRESHISOK");
    EXPECT_EQ(body("/softlogin.php?login=alice&password=alice"),
              "YOURLOGINISOK|F\xEAte ce soir / venez nombreux, R\xAD"
              "EFRESHISOK|");
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
    const Response wrong = get("/softlogin.php?login=alice&password=guess", "10.0.0.7");
    const Response wrongRefresh =
        get("/softrefresh2.php?login=alice&password=guess&ipAdress=1.2.3.4", "10.0.0.8");
    EXPECT_EQ(wrong.holdFor.count(), 0) << "a real check took its time already";
    int held = 0;
    for (int i = 0; i < 3; ++i) {
        const Response unknown = get("/softlogin.php?login=nobody" + std::to_string(i) + "&password=guess",
                                     "10.0.1." + std::to_string(i));
        const Response unknownRefresh =
            get("/softrefresh2.php?login=nobody" + std::to_string(i) + "&password=guess&ipAdress=1.2.3.4",
                "10.0.2." + std::to_string(i));
        // The same answer, byte for byte: nothing in it tells the pseudos apart.
        EXPECT_EQ(unknown.status, wrong.status);
        EXPECT_EQ(unknown.body, wrong.body);
        EXPECT_EQ(unknownRefresh.status, wrongRefresh.status);
        EXPECT_EQ(unknownRefresh.body, wrongRefresh.body);
        held += unknown.holdFor.count() > 0;
        held += unknownRefresh.holdFor.count() > 0;
    }
    // After alice's check, the unknown pseudos wait instead of hashing (but for a real check when
    // none ran for a second, should the machine be that slow).
    EXPECT_GE(held, 4);
}

TEST_F(CommunityTest, AnOlderDearerHashIsReplacedAtTheNextGoodLogin)
{
    // Olga's hash was made with other limits than the server's (the production ones, here).
    const std::string dear = PasswordHasher(PasswordHasher::Strength::Interactive).hash("olga");
    Member olga = someone("olga");
    olga.passwordHash = dear;
    ASSERT_TRUE(store_->createMember(olga));
    ASSERT_TRUE(hasher_.needsRehash(dear));

    EXPECT_EQ(body("/softlogin.php?login=olga&password=guess"), "YOURLOGINISWRONG"); // changes nothing
    EXPECT_EQ(store_->member("olga")->passwordHash, dear);

    EXPECT_EQ(body("/softlogin.php?login=olga&password=olga"), "YOURLOGINISOK||");
    const std::string renewed = store_->member("olga")->passwordHash;
    EXPECT_NE(renewed, dear);
    EXPECT_FALSE(hasher_.needsRehash(renewed));
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
    addMember("alice");
    addMember("bruno");
    store_->addContact("alice", "bruno", ListKind::Favoris);
    connect("alice");
    const std::string bruno = "?login=bruno&password=bruno",
                      refresh = "/softrefresh2.php" + bruno + "&ipAdress=";
    const std::string refreshed = "REFRESHISOK|NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|"
                                  "MYMAILSNUMBER,0,";
    const struct
    {
        std::string request;
        std::chrono::seconds after; // since the request
        std::string reply;
        const char *shown; // bruno's address in alice's list
    } steps[] = {
        {"/softlogin.php" + bruno, {}, "YOURLOGINISOK||", "0.0.0.0"}, // no refresh yet: no address to give
        {refresh + "192.168.1.20", {}, refreshed, "192.168.1.20"},
        // Not an address: the address the refresh came from stands in.
        {refresh + "localhost", std::chrono::seconds(80), refreshed, "10.0.0.1"},
        {refresh + "192.168.1.20", std::chrono::seconds(91), refreshed, "0.0.0.0"},
        {refresh + "1.2.3.4", {}, refreshed, "1.2.3.4"}, // the lapsed session reopens
        {"/softlogoff.php?login=bruno&password=wrong", {}, "SOFTLOGOFFSUCCESS", "1.2.3.4"}, // ends nothing
        {"/softlogoff.php" + bruno, {}, "SOFTLOGOFFSUCCESS", "0.0.0.0"},
    };
    // Bruno lives in alice's home: she is shown what his client claims.
    for (const auto &step : steps) {
        EXPECT_EQ(body(step.request, "10.0.0.1"), step.reply) << step.request;
        advance(step.after);
        EXPECT_NE(body("/softrefresh2.php?login=alice&password=alice&ipAdress=192.168.1.10")
                      .find(std::string("bruno,") + step.shown + ","),
                  std::string::npos)
            << step.request;
    }
    for (const char *who : {"?login=bruno&password=wrong", "?login=nobody&password=nobody"}) {
        const Response refused = get(std::string("/softrefresh2.php") + who + "&ipAdress=1.2.3.4");
        EXPECT_EQ(refused.status, 403) << who;
        EXPECT_FALSE(holdsClientKeyword(refused.body)) << who;
    }
}

TEST_F(CommunityTest, ContactEditingAndMailsReachTheNextRefreshThroughItsCache)
{
    addMember("alice");
    addMember("bruno");
    connect("alice");
    connect("bruno", "10.0.0.2", "192.168.1.20");
    const std::string refresh = "/softrefresh2.php?login=alice&password=alice&ipAdress=192.168.1.10";
    // Empty lists say so in every section.
    EXPECT_EQ(body(refresh),
              "REFRESHISOK|NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|MYMAILSNUMBER,0,");
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
    EXPECT_EQ(body(add + "bruno&liste=listenoire"), "LEMEMBREESTDEJADANSLALISTE");
    EXPECT_EQ(body(refresh), "REFRESHISOK|NOFAVORISDEFINED|HERESTARTLISTENOIRE|bruno,10.0.0.2,F,36,75,1|"
                             "IAMINNOONELISTENOIRE|MYMAILSNUMBER,1,");
    body("/deletemail.php?login=alice&sender=bruno&date=2026-12-06&time=12:00:00&subject=NULL&message=x");
    EXPECT_NE(body(refresh).find("MYMAILSNUMBER,0,"), std::string::npos);

    for (const char *who : {"nobody", "jean%20paul", ""})
        EXPECT_EQ(body(add + who + "&liste=favoris"), "LEMEMBRENEXISTEPAS") << who;
    EXPECT_EQ(body(add + "alice&liste=favoris"), "LEMEMBREESTDEJADANSLALISTE"); // oneself
    EXPECT_EQ(get(add + "bruno&liste=amis").status, 400);
    EXPECT_FALSE(holdsClientKeyword(body(add + "bruno&liste=amis")));
    const std::string remove = "/removemembre.php?login=alice&pseudo=bruno&liste=";
    EXPECT_EQ(body(remove + "favoris"), "REMOVEISSUCCESSFUL"); // not there: nothing to do, still done
    EXPECT_EQ(store_->contacts("alice", ListKind::ListeNoire).size(), 1u);
    EXPECT_EQ(body(remove + "listenoire"), "REMOVEISSUCCESSFUL");
    EXPECT_NE(body(refresh).find("|NOLISTENOIREDEFINED|"), std::string::npos);
}

TEST_F(CommunityTest, ProfilesEmptyFullAndUnknown)
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
        "europ\xE9\x65nne,S\xAD"
        "EARCHISOK,non,veuf,2,1,2026-12-01,");
    for (const char *q : {"?pseudo=nobody", "?pseudo=../etc", ""})
        EXPECT_EQ(body(std::string("/getprofil.php") + q), "LEMEMBRENEXISTEPAS") << q;
}

TEST_F(CommunityTest, PhotosAreServedOnlyFromThePhotoFolderByPseudo)
{
    const std::string jpeg("\xFF\xD8\xFF\xE0\0\x10JFIF", 10);
    std::ofstream(ctx_.photosDir / "jean.jpg", std::ios::binary) << jpeg;
    std::ofstream(dir_.path() / "secret.jpg", std::ios::binary) << "secret";

    // The answer byte for byte is the loopback test's; here, which names reach which file.
    EXPECT_EQ(get("/photos/JEAN.jpg").body, jpeg);

    for (const char *bad : {"/photos/../secret.jpg", "/photos/..%2Fsecret.jpg", "/photos/jean.jpg/",
                            "/photos/jean", "/photos/.jpg", "/photos/jean.png", "/photos/sub/jean.jpg",
                            "/photos/%6Aean.jpg", "/photos/nobody.jpg", "/photos/"}) {
        const Response missing = get(bad);
        EXPECT_EQ(missing.status, 404) << bad;
        EXPECT_EQ(missing.body, "LEMEMBRENEXISTEPAS") << bad;
        EXPECT_EQ(serialise(missing).find("image/jpeg"), std::string::npos) << bad;
    }
}
