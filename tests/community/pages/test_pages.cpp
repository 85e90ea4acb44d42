// The sign-up form of the home page.
#include "tests/community/fixture.h"

using namespace jaserelle::community;
using namespace jaserelle::community::test;

static Response signUp(Context &ctx, const std::string &body, const std::string &peer = "10.0.0.1",
                       const std::string &contentType = "application/x-www-form-urlencoded")
{
    return handle(ctx, Request{"POST", "/inscription", contentType, body, peer, ""});
}

const std::string form = "pseudo=Nouveau1&password=Secret42&password2=Secret42&sexe=F&naissance=1995-05-05"
                         "&codepostal=35000&region=Bretagne&prenom=Ma%C3%ABlle&ville=Rennes&taille=165&poids="
                         "&statut=jamais+marie&enfants=0";

TEST_F(CommunityTest, SignUpSaysWhatToCorrectKeepingWhatWasTypedThenCreatesAMemberWithOrWithoutAPhoto)
{
    const std::string bad =
        "pseudo=jean+paul&password=a%C3%A9&password2=x&sexe=X&naissance=2015-01-01&codepostal=1"
        "&region=Atlantide&prenom=%3Cscript%3E&ville=a%2Cb&taille=20&enfants=-3";
    const Response refused = signUp(ctx_, bad);
    EXPECT_EQ(refused.status, 400);
    for (const char *why :
         {"Le pseudo doit", "Le mot de passe doit", "homme ou une femme", "majeures", "code postal", "région",
          "« Ville »", "taille", "enfants", "value=\"&lt;script&gt;\""})
        EXPECT_NE(refused.body.find(why), std::string::npos) << why;
    EXPECT_EQ(refused.body.find("<script>"), std::string::npos);
    EXPECT_TRUE(store_->listMembers().empty());

    const Response r = signUp(ctx_, form);
    EXPECT_EQ(r.status, 200) << r.body;
    EXPECT_NE(r.body.find("Bienvenue, nouveau1"), std::string::npos);
    EXPECT_EQ(store_->member("nouveau1")->passwordHash.find("secret42"), std::string::npos);
    EXPECT_EQ(body("/softlogin.php?login=nouveau1&password=secret42"), "YOURLOGINISOK||");
    // What was typed, as the client sees it: an empty weight is 0, the accent in Windows-1252.
    EXPECT_EQ(
        body("/getprofil.php?pseudo=nouveau1"),
        "HERESTARTREQUIREDPROFILMa\xEBlle,Rennes,Bretagne,165,0,NULL,NULL,NULL,NULL,NULL,jamais marie,0,0,"
        "2026-12-06,");

    const Response again = signUp(ctx_, form);
    EXPECT_EQ(again.status, 400);
    EXPECT_NE(again.body.find("est déjà pris"), std::string::npos);

    // With a photo, a JPEG one.
    const std::string jpeg = "\xFF\xD8\xFF\xE0 a tiny jpeg";
    std::string parts = "--b0undary\r\n";
    for (const char *field : {"pseudo\"\r\n\r\nphotogenique", "password\"\r\n\r\nabc",
                              "password2\"\r\n\r\nabc", "sexe\"\r\n\r\nH", "naissance\"\r\n\r\n1980-01-01",
                              "codepostal\"\r\n\r\n69003", "region\"\r\n\r\nRhone-Alpes"})
        parts += "Content-Disposition: form-data; name=\"" + std::string(field) + "\r\n--b0undary\r\n";
    parts += "Content-Disposition: form-data; name=\"photo\"; filename=\"moi.jpg\"\r\nContent-Type: "
             "image/jpeg\r\n\r\n" +
             jpeg + "\r\n--b0undary--\r\n";
    const std::string multipart = "multipart/form-data; boundary=b0undary";
    const Response withPhoto = signUp(ctx_, parts, "10.0.0.1", multipart);
    EXPECT_EQ(withPhoto.status, 200) << withPhoto.body;
    EXPECT_TRUE(store_->member("photogenique")->hasPhoto);
    EXPECT_EQ(get("/photos/photogenique.jpg").body, jpeg);

    std::string notJpeg = parts;
    notJpeg.replace(notJpeg.find("photogenique"), 12, "autre");
    notJpeg.replace(notJpeg.find(jpeg), jpeg.size(), "GIF89a....");
    const Response gif = signUp(ctx_, notJpeg, "10.0.0.1", multipart);
    EXPECT_EQ(gif.status, 400);
    EXPECT_NE(gif.body.find("JPEG"), std::string::npos);
    EXPECT_FALSE(store_->member("autre"));
}

TEST_F(CommunityTest, SignUpsAreThrottledPerAddressAndPerNetwork)
{
    const auto hour = std::chrono::hours(1);
    FailureThrottle byAddress([this] { return now_; }, {2, hour, hour});
    FailureThrottle byNetwork([this] { return now_; }, {3, hour, hour});
    ctx_.signUpsByAddress = &byAddress;
    ctx_.signUpsByNetwork = &byNetwork;
    const auto signUpAs = [this](const std::string &pseudo, const std::string &peer) {
        return signUp(ctx_, "pseudo=" + pseudo + form.substr(form.find('&')), peer);
    };
    EXPECT_EQ(signUpAs("nouveau1", "192.0.2.1").status, 200);
    EXPECT_EQ(signUpAs("nouveau2", "192.0.2.1").status, 200);
    const Response refused = signUpAs("nouveau3", "192.0.2.1");
    EXPECT_EQ(refused.status, 429);
    EXPECT_NE(refused.body.find("Trop d&#39;inscriptions"), std::string::npos) << refused.body;
    EXPECT_FALSE(store_->member("nouveau3"));
    // A neighbour of the same network has one left; then the network is full.
    EXPECT_EQ(signUpAs("nouveau4", "192.0.2.77").status, 200);
    EXPECT_EQ(signUpAs("nouveau5", "192.0.2.78").status, 429);
    // Elsewhere, as usual; and an hour later, here too.
    EXPECT_EQ(signUpAs("nouveau6", "198.51.100.1").status, 200);
    advance(std::chrono::seconds(3601));
    EXPECT_EQ(signUpAs("nouveau7", "192.0.2.1").status, 200);
}
