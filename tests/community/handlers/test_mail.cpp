// Mails sent, listed and deleted as the client does, within bounds that keep one flood from filling a box.
#include "common/urlcodec.h"
#include "tests/community/fixture.h"

using namespace jaserelle;
using namespace jaserelle::community;
using namespace jaserelle::community::test;

class MailTest : public CommunityTest
{
protected:
    MailTest()
    {
        for (const char *pseudo : {"alice", "bruno", "chloe"})
            addMember(pseudo);
        connect("alice");
        connect("bruno", "10.0.0.2");
        connect("chloe", "10.0.0.3");
    }

    // From alice to bruno without a subject, unless told.
    Response send(const std::string &message, const std::string &to = "bruno",
                  const std::string &subject = "NULL", const std::string &from = "alice")
    {
        return get("/sendmail.php?sender=" + from + "&login=" + to + "&subject=" + subject +
                       "&message=" + message,
                   from == "chloe" ? "10.0.0.3" : "10.0.0.1");
    }
    std::string listBruno() { return body("/readmails.php?login=bruno", "10.0.0.2"); }
    std::string deleteForBruno(const std::string &message, const std::string &subject = "NULL")
    {
        return body("/deletemail.php?login=bruno&sender=alice&date=2026-12-06&time=12:00:00&subject=" +
                        subject + "&message=" + message,
                    "10.0.0.2");
    }
    // What the client takes for a mail not sent: the status, and no keyword it acts on.
    static bool refused(const Response &r, int status)
    {
        return r.status == status && !holdsClientKeyword(r.body);
    }
};

TEST_F(MailTest, AMailGoesOutToWhoeverAcceptsItAndComesBackAsTheListShowsIt)
{
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST"); // an empty box is the bare keyword
    EXPECT_EQ(send(urlEncode("Salut !\r\n\xC0 demain.")).body, "MAILSENDEDOK");
    advance(std::chrono::seconds(65));
    // Separators and keywords in a mail cannot break the list; free text is bound, never read as SQL.
    for (const auto &[subject, text] :
         {std::pair(" Caf\xE9 ? ", "Oui"), std::pair("a~b", "x~y SOFTLOGOFFSUCCESS"),
          std::pair("'; DROP TABLE mails;--", "' OR 1=1")})
        EXPECT_EQ(send(urlEncode(text), "bruno", urlEncode(subject)).body, "MAILSENDEDOK");
    EXPECT_EQ(listBruno(), "HERESTARTMAILLISTalice~2026-12-06~12:00:00~NULL~Salut !\r\n\xC0 demain.~"
                           "alice~2026-12-06~12:01:05~ Caf\xE9 ? ~Oui~alice~2026-12-06~12:01:05~a-b~x-y S\xAD"
                           "OFTLOGOFFSUCCESS~alice~2026-12-06~12:01:05~'; DROP TABLE mails;--~' OR 1=1~");
    // Recipients that do not exist, or that refuse the sender.
    for (const char *to : {"nobody", "a%20b"})
        EXPECT_EQ(send("x", to).body, "LEMEMBRENEXISTEPAS") << to;
    store_->addContact("bruno", "alice", ListKind::ListeNoire);
    EXPECT_EQ(send("x").body, "MAILSENDEDOK"); // answered as sent, not delivered
    EXPECT_EQ(store_->mailCount("bruno"), 4);
}

TEST_F(MailTest, DeletingNamesTheMailByEverythingTheListShowed)
{
    advance(std::chrono::seconds(7));               // the client names the time to the minute only
    for (const char *text : {"Bonjour", "Bonjour"}) // twins: one deletion takes one
        send(text);
    send("Autre", "bruno", "Sujet");
    EXPECT_EQ(deleteForBruno("Bonjour"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(store_->mailCount("bruno"), 2);
    // Nothing matches: the box is left alone, and the mail the client names is indeed not there.
    EXPECT_EQ(deleteForBruno("Bonsoir"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(deleteForBruno("Sujet", "Autre"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(store_->mailCount("bruno"), 2);
    EXPECT_EQ(deleteForBruno("Autre", "Sujet"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(listBruno(), "HERESTARTMAILLISTalice~2026-12-06~12:00:07~NULL~Bonjour~");
    // The client sends a defused text back as the list showed it, soft hyphen included.
    send(urlEncode("MAILSENDEDOK"));
    EXPECT_EQ(deleteForBruno(urlEncode("M\xAD\x41ILSENDEDOK")), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(store_->mailCount("bruno"), 1);
}

TEST_F(MailTest, AFullBoxOrAHastySenderIsRefusedUntilMailsAreDeletedOrTimePasses)
{
    ctx_.mailLimits.boxMails = 3;
    ctx_.mailLimits.boxBytes = 1000;
    for (const char *text : {"un", "deux", "trois"})
        EXPECT_EQ(send(text).body, "MAILSENDEDOK");
    EXPECT_TRUE(refused(send("quatre"), 507));
    EXPECT_EQ(store_->mailCount("bruno"), 3);
    EXPECT_EQ(send("%C0+chloe", "chloe").body, "MAILSENDEDOK"); // another box is not affected
    EXPECT_EQ(deleteForBruno("un"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(send("quatre").body, "MAILSENDEDOK");
    // Bytes as stored: chloe's box holds 8 ("\xC0" is two UTF-8 bytes), 992 more fit, not one more.
    EXPECT_EQ(send(std::string(991, 'x'), "chloe").body, "MAILSENDEDOK");
    EXPECT_TRUE(refused(send("yy", "chloe"), 507));
    EXPECT_EQ(send("y", "chloe").body, "MAILSENDEDOK");

    // One sender is held to his rate, whoever he writes to; others write as usual meanwhile.
    advance(std::chrono::seconds(61));
    ctx_.mailLimits = {};
    FailureThrottle sent([this] { return now_; }, {3, std::chrono::seconds(60), std::chrono::seconds(60)});
    ctx_.mailsSent = &sent;
    for (const char *to : {"bruno", "chloe", "bruno"})
        EXPECT_EQ(send("1", to).body, "MAILSENDEDOK") << to;
    EXPECT_TRUE(refused(send("4", "chloe"), 429));
    EXPECT_TRUE(refused(send("5"), 429));
    EXPECT_EQ(send("de chloe", "bruno", "NULL", "chloe").body, "MAILSENDEDOK");
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
    // The oldest mails that fit: a and b; c would pass the page. The client deletes what came whole.
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST" + listed(a) + listed(b));
    EXPECT_EQ(deleteForBruno(a) + deleteForBruno(b), "YOURMAILHAVEBEENDELETEDYOURMAILHAVEBEENDELETED");
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST" + listed(c));
    EXPECT_EQ(deleteForBruno(c), "YOURMAILHAVEBEENDELETED");
    // A mail larger than a page still comes, alone.
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST" + listed(big));
    EXPECT_EQ(deleteForBruno(big), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(listBruno(), "HERESTARTMAILLIST");
}
