// Sending, listing and deleting mails, as the client writes and reads them, and the bounds that keep
// a flood from one account from filling a box beyond what the client can list and empty.
#include "common/urlcodec.h"
#include "tests/community/fixture.h"

using namespace jaserelle;
using namespace jaserelle::community;
using namespace jaserelle::community::test;

class MailTest : public CommunityTest
{
protected:
    MailTest() : sent_([this] { return now_; }, {3, std::chrono::seconds(60), std::chrono::seconds(60)})
    {
        for (const char *pseudo : {"alice", "bruno", "chloe"})
            addMember(pseudo);
        connect("alice");
        connect("bruno", "10.0.0.2");
        connect("chloe", "10.0.0.3");
    }

    static std::string peerOf(const std::string &pseudo)
    {
        return pseudo == "alice" ? "10.0.0.1" : pseudo == "bruno" ? "10.0.0.2" : "10.0.0.3";
    }
    Response mail(const std::string &from, const std::string &to, const std::string &subject,
                  const std::string &message)
    {
        return get("/sendmail.php?sender=" + from + "&login=" + to + "&subject=" + subject +
                       "&message=" + message,
                   peerOf(from));
    }
    // From alice to bruno without a subject, unless told.
    Response send(const std::string &message, const std::string &to = "bruno",
                  const std::string &from = "alice")
    {
        return mail(from, to, "NULL", message);
    }
    std::string listBruno() { return body("/readmails.php?login=bruno", "10.0.0.2"); }
    std::string deleteForBruno(const std::string &message, const std::string &subject = "NULL",
                               const std::string &time = "12:00:00")
    {
        return body("/deletemail.php?login=bruno&sender=alice&date=2026-12-06&time=" + time +
                        "&subject=" + subject + "&message=" + message,
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

TEST_F(MailTest, AMailGoesOutToWhoeverAcceptsItAndComesBackAsTheListShowsIt)
{
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST"); // an empty box is the bare keyword
    EXPECT_EQ(send(urlEncode("Salut !\r\n\xC0 demain.")).body, "MAILSENDEDOK");
    advance(std::chrono::seconds(65));
    EXPECT_EQ(mail("alice", "bruno", urlEncode(" Caf\xE9 ? "), urlEncode("Oui")).body, "MAILSENDEDOK");
    // Separators and keywords in a mail cannot break the list.
    EXPECT_EQ(mail("alice", "bruno", urlEncode("a~b"), urlEncode("x~y SOFTLOGOFFSUCCESS")).body,
              "MAILSENDEDOK");
    // Free text is bound as a value, never read as SQL.
    EXPECT_EQ(mail("alice", "bruno", urlEncode("'; DROP TABLE mails;--"), urlEncode("' OR 1=1")).body,
              "MAILSENDEDOK");
    EXPECT_EQ(listBruno(), "HERESTARTMAILLISTalice~2026-12-06~12:00:00~NULL~Salut !\r\n\xC0 demain.~"
                           "alice~2026-12-06~12:01:05~ Caf\xE9 ? ~Oui~alice~2026-12-06~12:01:05~a-b~x-y S\xAD"
                           "OFTLOGOFFSUCCESS~alice~2026-12-06~12:01:05~'; DROP TABLE mails;--~' OR 1=1~");
    EXPECT_NE(body("/softrefresh2.php?login=bruno&password=bruno&ipAdress=1.2.3.4", "10.0.0.2")
                  .find("MYMAILSNUMBER,4,"),
              std::string::npos);
    // Recipients that do not exist, or that refuse the sender.
    for (const char *to : {"nobody", "a%20b"})
        EXPECT_EQ(send("x", to).body, "LEMEMBRENEXISTEPAS") << to;
    store_->addContact("bruno", "alice", ListKind::ListeNoire);
    EXPECT_EQ(send("x").body, "MAILSENDEDOK"); // answered as sent, not delivered
    EXPECT_EQ(store_->mailCount("bruno"), 4);
    // The store measures a box in stored bytes: "À" is two UTF-8 bytes.
    EXPECT_EQ(store_->mailBoxSize("chloe").bytes, 0);
    ASSERT_EQ(mail("alice", "chloe", "Hey", "%C0+bient%F4t").body, "MAILSENDEDOK");
    EXPECT_EQ(store_->mailBoxSize("chloe").bytes, 11 + 3);
    EXPECT_EQ(store_->mailBoxSize("chloe").count, 1);
}

TEST_F(MailTest, DeletingNamesTheMailByEverythingTheListShowed)
{
    advance(std::chrono::seconds(7)); // the client names the time to the minute only
    send("Bonjour");
    send("Bonjour"); // twins: one deletion takes one
    mail("alice", "bruno", "Sujet", "Autre");
    EXPECT_EQ(deleteForBruno("Bonjour"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(store_->mailCount("bruno"), 2);
    // Nothing matches: the box is left alone, and the mail the client names is indeed not there.
    EXPECT_EQ(deleteForBruno("Bonsoir"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(deleteForBruno("Sujet", "Autre"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(store_->mailCount("bruno"), 2);
    EXPECT_EQ(deleteForBruno("Autre", "Sujet"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(listBruno(), "HERESTARTMAILLISTalice~2026-12-06~12:00:07~NULL~Bonjour~");
    // Deleting from someone else's box is not possible: login names the box, and must be a session.
    EXPECT_EQ(get("/deletemail.php?login=bruno&sender=alice&date=2026-12-06&time=12:00:00&subject=NULL&"
                  "message=Bonjour")
                  .status,
              403);
    EXPECT_EQ(store_->mailCount("bruno"), 1);
    // The client sends a defused text back as the list showed it, soft hyphen included.
    send(urlEncode("MAILSENDEDOK"));
    EXPECT_EQ(deleteForBruno(urlEncode("M\xAD"
                                       "AILSENDEDOK")),
              "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(store_->mailCount("bruno"), 1);
}

TEST_F(MailTest, AFullBoxRefusesByCountAndByBytesUntilMailsAreDeleted)
{
    ctx_.mailLimits.boxMails = 3;
    ctx_.mailLimits.boxBytes = 1000;
    for (const char *text : {"un", "deux", "trois"})
        EXPECT_EQ(send(text).body, "MAILSENDEDOK");
    expectNotSent(send("quatre"), 507);
    EXPECT_EQ(store_->mailCount("bruno"), 3);
    // Another box is not affected.
    EXPECT_EQ(send("pour+chloe", "chloe").body, "MAILSENDEDOK");
    EXPECT_EQ(deleteForBruno("un"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(send("quatre").body, "MAILSENDEDOK");

    // Bytes: chloe's box holds 10; 990 more fit exactly, one byte more does not.
    EXPECT_EQ(send(std::string(989, 'x'), "chloe").body, "MAILSENDEDOK");
    expectNotSent(send("yy", "chloe"), 507);
    EXPECT_EQ(send("y", "chloe").body, "MAILSENDEDOK");
}

TEST_F(MailTest, OneSenderIsHeldToHisRateWhoeverHeWritesTo)
{
    ctx_.mailsSent = &sent_;
    EXPECT_EQ(send("1").body, "MAILSENDEDOK");
    EXPECT_EQ(send("2", "chloe").body, "MAILSENDEDOK");
    EXPECT_EQ(send("3").body, "MAILSENDEDOK");
    expectNotSent(send("4", "chloe"), 429);
    expectNotSent(send("5"), 429);
    EXPECT_EQ(store_->mailCount("bruno") + store_->mailCount("chloe"), 3);
    // Others write as usual meanwhile.
    EXPECT_EQ(send("de chloe", "bruno", "chloe").body, "MAILSENDEDOK");
    advance(std::chrono::seconds(61));
    EXPECT_EQ(send("6").body, "MAILSENDEDOK");
}

TEST_F(MailTest, AnyBoxIsListedPageByPageAndCanBeEmptied)
{
    ctx_.mailLimits.listBytes = 1000;
    const std::string a(400, 'a'), b(400, 'b'), c(400, 'c'), big(1500, 'd');
    for (const auto &text : {a, b, c, big})
        ASSERT_EQ(send(text).body, "MAILSENDEDOK");
    const auto listed = [](const std::string &text) {
        return "alice~2026-12-06~12:00:00~NULL~" + text + "~";
    };
    // The oldest mails that fit: a and b; c would pass the page.
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST" + listed(a) + listed(b));
    // The box counts all four: the client lists what came whole and deletes them.
    EXPECT_NE(body("/softrefresh2.php?login=bruno&password=bruno&ipAdress=1.2.3.4", "10.0.0.2")
                  .find("MYMAILSNUMBER,4,"),
              std::string::npos);
    EXPECT_EQ(deleteForBruno(a), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(deleteForBruno(b), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST" + listed(c));
    EXPECT_EQ(deleteForBruno(c), "YOURMAILHAVEBEENDELETED");
    // A mail larger than a page still comes, alone.
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST" + listed(big));
    EXPECT_EQ(deleteForBruno(big), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST");
    EXPECT_EQ(store_->mailBoxSize("bruno").count, 0);
}
