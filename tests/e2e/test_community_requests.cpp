// The client's own requests, built by its catalogue and sent by its engine, against the real
// jaserelle-server with the demo community: the answers the window flows of test_mainwindow never
// meet reach the handler they should. The byte layout of each answer is proven once, in the server's
// unit tests and the client's parser tests.
#include "tests/support/communityserver.h"
#include "tests/support/communitysession.h"

#include <memory>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

class TestCommunityRequests : public QObject
{
    Q_OBJECT

    using Session = CommunitySession;

    CommunityServer server_;
    std::unique_ptr<Session> demo_; // gone before the server

private slots:
    void initTestCase()
    {
        QVERIFY2(server_.start(), server_.log().constData());
        demo_ = std::make_unique<Session>(server_.hostWithPort(), u"demo"_s);
    }

    void loginAndRefresh()
    {
        Session &s = *demo_;
        QCOMPARE(s.send(RequestKind::Login), QStringList{u"YOURLOGINISOK"_s});
        QCOMPARE(s.send(RequestKind::Refresh), QStringList{u"REFRESHISOK"_s});
        // The demo community as a first login shows it: both lists, a black-lister, members connected
        // (an address) and not (0.0.0.0), three mails.
        for (const QString &part : {u"|HERESTARTFAVORIS|"_s, u"|HERESTARTLISTENOIRE|"_s,
                                    u"|IAMINLISTENOIREOF|"_s, u",127.0.0."_s, u",0.0.0.0,"_s})
            QVERIFY2(s.body.contains(part), qPrintable(part));
        QVERIFY2(s.body.endsWith(u"MYMAILSNUMBER,3,"_s), qPrintable(s.body));
    }

    void contactEditing()
    {
        Session &s = *demo_;
        const auto add = [&](RequestKind kind, const QString &who) { return s.send({kind, who}); };
        QCOMPARE(add(RequestKind::AddFavoris, u"pierre"_s), QStringList{u"LISTESMISESAJOUR"_s});
        QCOMPARE(add(RequestKind::AddFavoris, u"pierre"_s), QStringList{u"LEMEMBREESTDEJADANSLALISTE"_s});
        QCOMPARE(add(RequestKind::AddListeNoire, u"pierre"_s), QStringList{u"LISTESMISESAJOUR"_s}); // a move
        QCOMPARE(add(RequestKind::AddFavoris, u"personne"_s), QStringList{u"LEMEMBRENEXISTEPAS"_s});

        QCOMPARE(add(RequestKind::RemoveListeNoire, u"pierre"_s), QStringList{u"REMOVEISSUCCESSFUL"_s});
        QCOMPARE(add(RequestKind::RemoveFavoris, u"pierre"_s), QStringList{u"REMOVEISSUCCESSFUL"_s});
        s.send(RequestKind::Refresh);
        QVERIFY(!s.body.contains(u"pierre"_s));
    }

    void searchesAndProfile()
    {
        Session &s = *demo_;
        QCOMPARE(s.send({.kind = RequestKind::SearchPseudo, .searchPseudo = u"quelquun"_s}),
                 QStringList{u"NOSEARCHRESULT"_s});

        // The criteria go out as the combo boxes show them, accents as raw Windows-1252 bytes.
        const SearchCriteria criteria{u"Femme"_s,       u"de 26 à 35"_s,  u"indifférent"_s,
                                      u"indifférent"_s, u"indifférent"_s, false};
        QCOMPARE(s.send({.kind = RequestKind::SearchCriteres, .criteria = criteria}),
                 QStringList{u"SEARCHISOK"_s});
        QVERIFY(!s.body.contains(u",H,"_s));
        QVERIFY(s.body.contains(u"julie,F,"_s) && s.body.contains(u",yes,"_s)); // julie black-listed demo

        // lucie: found by such a search, with a photo
        QCOMPARE(s.send({RequestKind::Profil, u"lucie"_s}), QStringList{u"HERESTARTREQUIREDPROFIL"_s});
        QCOMPARE(s.send({RequestKind::Photo, u"lucie"_s}), QStringList{u"Content-Type: image/jpeg"_s});
    }

    void mails()
    {
        Session &s = *demo_;
        QCOMPARE(s.send(RequestKind::ReadMails), QStringList{u"HERESTARTMAILLIST"_s});
        QVERIFY(s.body.contains(u"thomas~2026-12-02~09:07:59~NULL~"_s));

        // The second mail as the mail box shows it, named back to the server by the client.
        const MailRowRef mail{
            u"thomas"_s, u"02/12/2026 à 09h07"_s, u"pas de sujet"_s,
            u"Salut, merci pour l'adresse du restaurant, c'était parfait. À charge de revanche !"_s};
        QCOMPARE(s.send({.kind = RequestKind::DeleteMail, .mailRow = mail}),
                 QStringList{u"YOURMAILHAVEBEENDELETED"_s});
        s.send(RequestKind::Refresh);
        QVERIFY(s.body.endsWith(u"MYMAILSNUMBER,2,"_s));
    }

    void logoffEndsWhatTheSessionAllowed()
    {
        Session &s = *demo_;
        QCOMPARE(s.send(RequestKind::Logoff), QStringList{u"SOFTLOGOFFSUCCESS"_s});
        // Refused once logged off: no handler takes the answer, and the user is told so.
        QCOMPARE(s.send(RequestKind::ReadMails), QStringList{u"(no answer)"_s});
        QCOMPARE(s.send({RequestKind::AddFavoris, u"pierre"_s}), QStringList{u"(no answer)"_s});
    }
};

QTEST_MAIN(TestCommunityRequests)
#include "test_community_requests.moc"
