// Sending, listing and deleting mails, as the client writes and reads them.
#include "common/urlcodec.h"
#include "tests/community/fixture.h"

using namespace jaserelle;
using namespace jaserelle::community;
using namespace jaserelle::community::test;

class MailTest : public CommunityTest
{
protected:
    void SetUp() override
    {
        addMember("alice");
        addMember("bruno");
        connect("alice");
        connect("bruno", "10.0.0.2");
    }

    std::string send(const std::string &subject, const std::string &message, const std::string &to = "bruno")
    {
        return body("/sendmail.php?sender=alice&login=" + to + "&subject=" + subject + "&message=" + message);
    }
    std::string readBruno() { return body("/readmails.php?login=bruno", "10.0.0.2"); }
};

TEST_F(MailTest, AMailGoesOutAndComesBackAsTheListShowsIt)
{
    EXPECT_EQ(readBruno(), "HERESTARTMAILLIST"); // an empty box is the bare keyword
    EXPECT_EQ(send("NULL", urlEncode("Salut !\r\n\xC0 demain.")), "MAILSENDEDOK");
    advance(std::chrono::seconds(65));
    EXPECT_EQ(send(urlEncode(" Caf\xE9 ? "), urlEncode("Oui")), "MAILSENDEDOK");
    // Separators and keywords in a mail cannot break the list.
    EXPECT_EQ(send(urlEncode("a~b"), urlEncode("x~y SOFTLOGOFFSUCCESS")), "MAILSENDEDOK");
    // Free text is bound as a value, never read as SQL.
    EXPECT_EQ(send(urlEncode("'; DROP TABLE mails;--"), urlEncode("' OR 1=1")), "MAILSENDEDOK");
    EXPECT_EQ(readBruno(), "HERESTARTMAILLISTalice~2026-12-06~12:00:00~NULL~Salut !\r\n\xC0 demain.~"
                           "alice~2026-12-06~12:01:05~ Caf\xE9 ? ~Oui~alice~2026-12-06~12:01:05~a-b~x-y S\xAD"
                           "OFTLOGOFFSUCCESS~alice~2026-12-06~12:01:05~'; DROP TABLE mails;--~' OR 1=1~");
    EXPECT_NE(body("/softrefresh2.php?login=bruno&password=bruno&ipAdress=1.2.3.4", "10.0.0.2")
                  .find("MYMAILSNUMBER,4,"),
              std::string::npos);
}

TEST_F(MailTest, DeletingNamesTheMailByEverythingTheListShowed)
{
    advance(std::chrono::seconds(7)); // the client names the time to the minute only
    send("NULL", "Bonjour");
    send("NULL", "Bonjour"); // twins: one deletion takes one
    send(urlEncode("Sujet"), urlEncode("Autre"));
    const std::string del = "/deletemail.php?login=bruno&sender=alice&date=2026-12-06&time=12:00:00";
    EXPECT_EQ(body(del + "&subject=NULL&message=Bonjour", "10.0.0.2"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(store_->mailCount("bruno"), 2);
    // Nothing matches: the box is left alone, and the mail the client names is indeed not there.
    EXPECT_EQ(body(del + "&subject=NULL&message=Bonsoir", "10.0.0.2"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(body(del + "&subject=Autre&message=Sujet", "10.0.0.2"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(store_->mailCount("bruno"), 2);
    EXPECT_EQ(body(del + "&subject=Sujet&message=Autre", "10.0.0.2"), "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(readBruno(), "HERESTARTMAILLISTalice~2026-12-06~12:00:07~NULL~Bonjour~");
    // Deleting from someone else's box is not possible: login names the box, and must be a session.
    EXPECT_EQ(get(del + "&subject=NULL&message=Bonjour", "10.0.0.1").status, 403);
    EXPECT_EQ(store_->mailCount("bruno"), 1);
    // The client sends a defused text back as the list showed it, soft hyphen included.
    send("NULL", urlEncode("MAILSENDEDOK"));
    EXPECT_EQ(body(del + "&subject=NULL&message=" +
                       urlEncode("M\xAD"
                                 "AILSENDEDOK"),
                   "10.0.0.2"),
              "YOURMAILHAVEBEENDELETED");
    EXPECT_EQ(store_->mailCount("bruno"), 1);
}

TEST_F(MailTest, RecipientsThatDoNotExistOrRefuseTheSender)
{
    for (const char *to : {"nobody", "a%20b"})
        EXPECT_EQ(send("NULL", "x", to), "LEMEMBRENEXISTEPAS") << to;
    store_->addContact("bruno", "alice", ListKind::ListeNoire);
    EXPECT_EQ(send("NULL", "x"), "MAILSENDEDOK"); // answered as sent, not delivered
    EXPECT_EQ(store_->mailCount("bruno"), 0);
}
