// The client's own requests, built by its catalogue and sent by its engine, against the real
// jaserelle-server with the demo community: every answer is checked against the formats the
// client's reply handlers read.
#include "client/server/replypipeline.h"
#include "client/server/requestengine.h"
#include "client/shell/clientstate.h"
#include "tests/support/communityserver.h"
#include "tests/support/recordingplatform.h"

#include <QRegularExpression>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Field patterns of the replies.
const QString ip = u"\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}"_s;
const QString pseudo = u"[a-z0-9]{1,16}"_s;
const QString contactRecord = pseudo + u","_s + ip + u",[HF],\\d+,[^,|]{0,2},[01]\\|"_s;
const QString searchRecord = pseudo + u",[HF],\\d+,[^,|]*,"_s + ip + u",(no|yes),[01]\\|"_s;
const QString mailRecord = pseudo + u"~\\d{4}-\\d{2}-\\d{2}~\\d{2}:\\d{2}:\\d{2}~[^~]*~[^~]*~"_s;

bool matchesWhole(const QString &text, const QString &pattern)
{
    return QRegularExpression(u"\\A(?:"_s + pattern + u")\\z"_s).match(text).hasMatch();
}

} // namespace

class TestCommunityRequests : public QObject
{
    Q_OBJECT

    struct Session
    {
        RecordingPlatform desktop;
        ClientState state;
        ReplyPipeline pipeline;
        std::unique_ptr<RequestEngine> engine;
        QList<QPair<QString, QString>> handled; // keyword, whole reply
        // What the windows would hold when the connection is established.
        QString selectedPseudo;
        QString searchPseudo;
        SearchCriteria criteria;
        OutgoingMail mail;
        MailRowRef mailRow;

        explicit Session(const QString &host)
        {
            state.serverHost = host;
            for (const ReplySlotInfo &info : replyHandlerOrder) {
                const QString keyword = QString::fromUtf16(info.keyword);
                pipeline.setHandler(info.slot, [this, keyword](QString &reply) {
                    handled.append({keyword, reply});
                    return HandlerResult::Continue;
                });
            }
            engine = std::make_unique<RequestEngine>(state, desktop.notifier, desktop.lifetime, pipeline);
            auto &s = engine->sources();
            s.selectedPseudo = [this] { return selectedPseudo; };
            s.searchPseudo = [this] { return searchPseudo; };
            s.searchCriteria = [this] { return criteria; };
            s.outgoingMail = [this] { return mail; };
            s.selectedMail = [this] { return mailRow; };
        }

        // Sends one request; returns the keywords whose handlers ran and leaves the body in `body`.
        QStringList send(RequestKind kind, QString *body = nullptr)
        {
            handled.clear();
            const int before = desktop.notifier.shown.size();
            engine->start(kind);
            const bool done = QTest::qWaitFor(
                [&] {
                    return engine->state() == RequestEngine::State::Idle &&
                           engine->statusText() == u"En attente"_s;
                },
                20000);
            QStringList keywords;
            if (!done || desktop.notifier.shown.size() != before)
                return {u"(no answer)"_s};
            for (const auto &[keyword, reply] : handled)
                keywords << keyword;
            lastReply = handled.isEmpty() ? QString() : handled.first().second;
            if (body)
                *body = lastReply.mid(lastReply.indexOf(u"\r\n\r\n") + 4);
            return keywords;
        }
        QString lastReply; // the whole reply text, headers included, when a handler ran
    };

    std::unique_ptr<CommunityServer> server_;
    std::unique_ptr<Session> demo_;

private slots:
    void initTestCase()
    {
        server_ = std::make_unique<CommunityServer>(true);
        QVERIFY2(server_->start(), "jaserelle-server did not start");
        demo_ = std::make_unique<Session>(server_->hostWithPort());
        demo_->state.userLogin = u"demo"_s;
        demo_->state.userPassword = u"demo"_s;
    }

    void loginAndRefresh()
    {
        Session &s = *demo_;
        QString body;
        QCOMPARE(s.send(RequestKind::Login, &body), QStringList{u"YOURLOGINISOK"_s});
        QVERIFY2(matchesWhole(body, u"YOURLOGINISOK\\|[^|]*\\|"_s), qPrintable(body));

        QCOMPARE(s.send(RequestKind::Refresh, &body), QStringList{u"REFRESHISOK"_s});
        const QString format = u"REFRESHISOK\\|HERESTARTFAVORIS\\|(?:"_s + contactRecord +
                               u")+HERESTARTLISTENOIRE\\|(?:"_s + contactRecord +
                               u")+IAMINLISTENOIREOF\\|(?:"_s + pseudo + u",)+MYMAILSNUMBER,3,"_s;
        QVERIFY2(matchesWhole(body, format), qPrintable(body));
        // Connected demo members carry an address; the absent ones 0.0.0.0.
        QVERIFY(body.contains(u",127.0.0."_s));
        QVERIFY(body.contains(u",0.0.0.0,"_s));
    }

    void contactEditing()
    {
        Session &s = *demo_;
        const auto add = [&](RequestKind kind, const QString &who) {
            s.state.targetPseudo = who;
            return s.send(kind);
        };
        QCOMPARE(add(RequestKind::AddFavoris, u"pierre"_s), QStringList{u"LISTESMISESAJOUR"_s});
        QCOMPARE(add(RequestKind::AddFavoris, u"pierre"_s), QStringList{u"LEMEMBREESTDEJADANSLALISTE"_s});
        QCOMPARE(add(RequestKind::AddListeNoire, u"pierre"_s), QStringList{u"LISTESMISESAJOUR"_s}); // a move
        QCOMPARE(add(RequestKind::AddFavoris, u"personne"_s), QStringList{u"LEMEMBRENEXISTEPAS"_s});

        s.selectedPseudo = u"pierre"_s;
        QCOMPARE(s.send(RequestKind::RemoveListeNoire), QStringList{u"REMOVEISSUCCESSFUL"_s});
        QCOMPARE(s.send(RequestKind::RemoveFavoris), QStringList{u"REMOVEISSUCCESSFUL"_s});
        QString body;
        s.send(RequestKind::Refresh, &body);
        QVERIFY(!body.contains(u"pierre"_s));
    }

    void profileAndPhoto()
    {
        Session &s = *demo_;
        s.selectedPseudo = u"marie75"_s;
        QString body;
        QCOMPARE(s.send(RequestKind::Profil, &body), QStringList{u"HERESTARTREQUIREDPROFIL"_s});
        QVERIFY2(matchesWhole(body, u"HERESTARTREQUIREDPROFIL(?:[^,]*,){12}1,\\d{4}-\\d{2}-\\d{2},"_s),
                 qPrintable(body));
        QVERIFY(body.startsWith(u"HERESTARTREQUIREDPROFILMarie,Paris,Ile-de-France,165,56,"_s));

        QCOMPARE(s.send(RequestKind::Photo, &body), QStringList{u"Content-Type: image/jpeg"_s});
        QVERIFY(body.startsWith(QString::fromLatin1("\xFF\xD8\xFF")));
        QVERIFY(s.lastReply.contains(u"\r\nContent-Type: image/jpeg\r\n"_s));

        s.selectedPseudo = u"zoe"_s; // no photo
        QCOMPARE(s.send(RequestKind::Profil, &body), QStringList{u"HERESTARTREQUIREDPROFIL"_s});
        QVERIFY2(
            body.startsWith(u"HERESTARTREQUIREDPROFILNULL,NULL,Ile-de-France,0,0,NULL,NULL,NULL,NULL,NULL,"
                            u"NULL,-1,0,"_s),
            qPrintable(body));
    }

    void searches()
    {
        Session &s = *demo_;
        QString body;
        s.searchPseudo = u"ma"_s;
        QCOMPARE(s.send(RequestKind::SearchPseudo, &body), QStringList{u"SEARCHISOK"_s});
        QVERIFY2(matchesWhole(body, u"HERESTARTSEARCHRESULT(?:"_s + searchRecord + u")+SEARCHISOK\\|"_s),
                 qPrintable(body));
        QVERIFY(body.contains(u"marie75,F,"_s));

        s.searchPseudo = u"quelquun"_s;
        QCOMPARE(s.send(RequestKind::SearchPseudo), QStringList{u"NOSEARCHRESULT"_s});

        // The criteria go out as the combo boxes show them, accents as raw Windows-1252 bytes.
        s.criteria = {u"Femme"_s,       u"de 26 à 35"_s,  u"indifférent"_s,
                      u"indifférent"_s, u"indifférent"_s, false};
        QCOMPARE(s.send(RequestKind::SearchCriteres, &body), QStringList{u"SEARCHISOK"_s});
        QVERIFY2(matchesWhole(body, u"HERESTARTSEARCHRESULT(?:"_s + searchRecord + u")+SEARCHISOK\\|"_s),
                 qPrintable(body));
        QVERIFY(!body.contains(u",H,"_s));
        QVERIFY(body.contains(u"julie,F,"_s) && body.contains(u",yes,"_s)); // julie black-listed demo

        s.criteria = {u"indifférent"_s,    u"indifférent"_s, u"Bretagne"_s,
                      u"de 1m50 à 1m60"_s, u"indifférent"_s, true};
        QCOMPARE(s.send(RequestKind::SearchCriteres, &body), QStringList{u"NOSEARCHRESULT"_s});
        s.criteria = {u"indifférent"_s, u"indifférent"_s, u"indifférent"_s,
                      u"indifférent"_s, u"indifférent"_s, false};
        QCOMPARE(s.send(RequestKind::SearchCriteres, &body), QStringList{u"SEARCHISOK"_s});
        QCOMPARE(body.count(u'|'), 41); // the 40 other members, and the end marker
    }

    void mails()
    {
        Session &s = *demo_;
        QString body;
        QCOMPARE(s.send(RequestKind::ReadMails, &body), QStringList{u"HERESTARTMAILLIST"_s});
        QVERIFY2(matchesWhole(body, u"HERESTARTMAILLIST(?:"_s + mailRecord + u"){3}"_s), qPrintable(body));
        QVERIFY(body.contains(u"thomas~2026-12-02~09:07:59~NULL~"_s));

        // The second mail as the mail box shows it, named back to the server by the client.
        s.mailRow = {u"thomas"_s, u"02/12/2026 à 09h07"_s, u"pas de sujet"_s,
                     u"Salut, merci pour l'adresse du restaurant, c'était parfait. À charge de revanche !"_s};
        QCOMPARE(s.send(RequestKind::DeleteMail), QStringList{u"YOURMAILHAVEBEENDELETED"_s});
        s.send(RequestKind::Refresh, &body);
        QVERIFY(body.endsWith(u"MYMAILSNUMBER,2,"_s));

        // A mail to a member, read back in that member's own session.
        s.mail = {u"lucie"_s, u"Salut !"_s, u"Bonjour Lucie,\r\nà demain ; 100% sûr."_s};
        QCOMPARE(s.send(RequestKind::SendMail), QStringList{u"MAILSENDEDOK"_s});
        Session lucie(server_->hostWithPort());
        lucie.state.userLogin = u"lucie"_s;
        lucie.state.userPassword = u"demo"_s;
        QCOMPARE(lucie.send(RequestKind::Login), QStringList{u"YOURLOGINISOK"_s});
        QCOMPARE(lucie.send(RequestKind::ReadMails, &body), QStringList{u"HERESTARTMAILLIST"_s});
        QVERIFY2(body.contains(u"demo~"_s) &&
                     body.endsWith(u"~Salut !~Bonjour Lucie,\r\nà demain ; 100% sûr.~"_s),
                 qPrintable(body));
        QCOMPARE(lucie.send(RequestKind::Logoff), QStringList{u"SOFTLOGOFFSUCCESS"_s});
    }

    void logoffEndsWhatTheSessionAllowed()
    {
        Session &s = *demo_;
        QCOMPARE(s.send(RequestKind::Logoff), QStringList{u"SOFTLOGOFFSUCCESS"_s});
        QCOMPARE(s.send(RequestKind::ReadMails), QStringList{});
        s.state.targetPseudo = u"pierre"_s;
        QCOMPARE(s.send(RequestKind::AddFavoris), QStringList{});
    }

    void cleanupTestCase()
    {
        demo_.reset();
        server_.reset();
    }
};

QTEST_MAIN(TestCommunityRequests)
#include "test_community_requests.moc"
