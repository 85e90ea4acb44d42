// Mail boxes and sign-ups with bounds: a flood from one account fills no box beyond what the client
// can list and empty, costs the server no more memory per listing, and sign-ups come at a human pace.
#include "community/core/text.h"
#include "tests/community/fixture.h"

using namespace jaserelle::community;
using namespace jaserelle::community::test;

class MailBoundsTest : public CommunityTest
{
protected:
    MailBoundsTest()
        : sent_([this] { return now_; }, {3, std::chrono::seconds(60), std::chrono::seconds(60)})
    {
        addMember("alice");
        addMember("bruno");
        addMember("chloe");
        connect("alice");
        connect("bruno", "10.0.0.2");
        connect("chloe", "10.0.0.3");
    }

    Response send(const std::string &text, const std::string &from = "alice", const std::string &to = "bruno")
    {
        const std::string peer = from == "alice" ? "10.0.0.1" : from == "chloe" ? "10.0.0.3" : "10.0.0.2";
        return get("/sendmail.php?sender=" + from + "&login=" + to + "&subject=NULL&message=" + text, peer);
    }
    std::string listBruno() { return body("/readmails.php?login=bruno", "10.0.0.2"); }
    std::string deleteForBruno(const std::string &text)
    {
        return body("/deletemail.php?login=bruno&sender=alice&date=2026-12-06&time=12:00:00&subject=NULL&message=" +
                        text,
                    "10.0.0.2");
    }
    // What the client makes of a refusal: a notice that the mail was not sent, as long as no
    // keyword it acts on is in the answer.
    static void expectNotSent(const Response &r, int status)
    {
        EXPECT_EQ(r.status, status) << r.body;
        EXPECT_FALSE(holdsClientKeyword(r.body)) << r.body;
    }

    FailureThrottle sent_;
};

TEST_F(MailBoundsTest, AFullBoxRefusesByCountAndByBytesUntilMailsAreDeleted)
{
    ctx_.mailLimits.boxMails = 3;
    ctx_.mailLimits.boxBytes = 1000;
    EXPECT_EQ(send("un").body, "MAILSENDEDOK");
    EXPECT_EQ(send("deux").body, "MAILSENDEDOK");
    EXPECT_EQ(send("trois").body, "MAILSENDEDOK");
    expectNotSent(send("quatre"), 507);
    EXPECT_EQ(store_->mailCount("bruno"), 3);
    // Another box is not affected.
    EXPECT_EQ(send("pour+chloe", "alice", "chloe").body, "MAILSENDEDOK");
    EXPECT_EQ(deleteForBruno("un"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(send("quatre").body, "MAILSENDEDOK");

    // Bytes: chloe's box holds 10; 990 more fit exactly, one byte more does not.
    EXPECT_EQ(send(std::string(989, 'x'), "alice", "chloe").body, "MAILSENDEDOK");
    expectNotSent(send("yy", "alice", "chloe"), 507);
    EXPECT_EQ(send("y", "alice", "chloe").body, "MAILSENDEDOK");
}

TEST_F(MailBoundsTest, OneSenderIsHeldToHisRateWhoeverHeWritesTo)
{
    ctx_.mailsSent = &sent_;
    EXPECT_EQ(send("1").body, "MAILSENDEDOK");
    EXPECT_EQ(send("2", "alice", "chloe").body, "MAILSENDEDOK");
    EXPECT_EQ(send("3").body, "MAILSENDEDOK");
    expectNotSent(send("4", "alice", "chloe"), 429);
    expectNotSent(send("5"), 429);
    EXPECT_EQ(store_->mailCount("bruno") + store_->mailCount("chloe"), 3);
    // Others write as usual meanwhile.
    EXPECT_EQ(send("de chloe", "chloe").body, "MAILSENDEDOK");
    advance(std::chrono::seconds(61));
    EXPECT_EQ(send("6").body, "MAILSENDEDOK");
}

TEST_F(MailBoundsTest, AnyBoxIsListedPageByPageAndCanBeEmptied)
{
    ctx_.mailLimits.listBytes = 1000;
    const std::string a(400, 'a'), b(400, 'b'), c(400, 'c'), big(1500, 'd');
    for (const auto &text : {a, b, c, big})
        ASSERT_EQ(send(text).body, "MAILSENDEDOK");
    const auto mail = [](const std::string &text) { return "alice~2026-12-06~12:00:00~NULL~" + text + "~"; };
    // The oldest mails that fit: a and b; c would pass the page.
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST" + mail(a) + mail(b));
    // The box counts all four: the client lists what came whole and deletes them.
    EXPECT_NE(body("/softrefresh2.php?login=bruno&password=bruno&ipAdress=1.2.3.4", "10.0.0.2")
                  .find("MYMAILSNUMBER,4,"),
              std::string::npos);
    EXPECT_EQ(deleteForBruno(a), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(deleteForBruno(b), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST" + mail(c));
    EXPECT_EQ(deleteForBruno(c), "YOURMAILHAVEBEENDELETED");
    // A mail larger than a page still comes, alone.
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST" + mail(big));
    EXPECT_EQ(deleteForBruno(big), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST");
    EXPECT_EQ(store_->mailBoxSize("bruno").count, 0);
}

TEST_F(MailBoundsTest, TheStoreMeasuresABoxInStoredBytes)
{
    ASSERT_EQ(send("%C0+bient%F4t").body, "MAILSENDEDOK"); // "À bientôt": two letters of two UTF-8 bytes
    ASSERT_EQ(get("/sendmail.php?sender=alice&login=bruno&subject=Hey&message=x").body, "MAILSENDEDOK");
    const MailBoxSize size = store_->mailBoxSize("bruno");
    EXPECT_EQ(size.count, 2);
    EXPECT_EQ(size.bytes, 11 + 3 + 1);
    EXPECT_EQ(store_->mailBoxSize("nobody").count, 0);
}

namespace {

Request signUpFrom(const std::string &pseudo, const std::string &peer)
{
    Request r;
    r.method = "POST";
    r.target = "/inscription";
    r.contentType = "application/x-www-form-urlencoded";
    r.body = "pseudo=" + pseudo +
             "&password=Secret42&password2=Secret42&sexe=F&naissance=1995-05-05&codepostal=35000&region=Bretagne"
             "&taille=&poids=&enfants=";
    r.peerAddress = peer;
    return r;
}

} // namespace

TEST_F(MailBoundsTest, SignUpsAreThrottledPerAddressAndPerNetwork)
{
    const auto hour = std::chrono::hours(1);
    FailureThrottle byAddress([this] { return now_; }, {2, hour, hour});
    FailureThrottle byNetwork([this] { return now_; }, {3, hour, hour});
    ctx_.signUpsByAddress = &byAddress;
    ctx_.signUpsByNetwork = &byNetwork;
    const auto status = [this](const std::string &pseudo, const std::string &peer) {
        const Response r = handle(ctx_, signUpFrom(pseudo, peer));
        return r.status;
    };
    EXPECT_EQ(status("nouveau1", "192.0.2.1"), 200);
    EXPECT_EQ(status("nouveau2", "192.0.2.1"), 200);
    const Response refused = handle(ctx_, signUpFrom("nouveau3", "192.0.2.1"));
    EXPECT_EQ(refused.status, 429);
    EXPECT_NE(refused.body.find("Trop d&#39;inscriptions"), std::string::npos) << refused.body;
    EXPECT_FALSE(store_->member("nouveau3"));
    // A neighbour of the same network has one left; then the network is full.
    EXPECT_EQ(status("nouveau4", "192.0.2.77"), 200);
    EXPECT_EQ(status("nouveau5", "192.0.2.78"), 429);
    // Elsewhere, as usual; and an hour later, here too.
    EXPECT_EQ(status("nouveau6", "198.51.100.1"), 200);
    advance(std::chrono::seconds(3601));
    EXPECT_EQ(status("nouveau7", "192.0.2.1"), 200);
}
