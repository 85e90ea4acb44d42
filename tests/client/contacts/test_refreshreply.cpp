#include "client/contacts/mailcount.h"
#include "client/contacts/refreshreply.h"

#include <QTest>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

class TestRefreshReply : public QObject
{
    Q_OBJECT

    // Records flattened to "pseudo,address,sexe,age,departement,colour", the records of a list
    // separated by spaces.
    static QString flatten(const QList<ContactRecord> &records)
    {
        QStringList out;
        for (const ContactRecord &r : records)
            out.append(
                QStringList{r.pseudo, r.address, r.sexe, r.age, r.departement, r.colourFlag}.join(u','));
        return out.join(u' ');
    }

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("favoris");
        QTest::addColumn<QString>("listeNoire");
        QTest::addColumn<QString>("blackListedBy");
        QTest::addColumn<RefreshParseError>("error");
        QTest::addColumn<QString>("rest");
        const QString head = u"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\nREFRESHISOK|"_s;
        const auto row = [&](const char *name, const QString &body, const QString &fav, const QString &noire,
                             const QString &by, RefreshParseError error, const QString &rest) {
            QTest::newRow(name) << head + body << fav << noire << by << error << rest;
        };
        using E = RefreshParseError;
        const QString jean = u"jean,1.2.3.4,H,25,75,1"_s, paul = u"paul,0.0.0.0,H,40,6,1"_s;
        row("one online favourite, one absent; five- and two-digit departments",
            u"HERESTARTFAVORIS|jean,10.0.0.2,H,25,75012,1|marie,0.0.0.0,F,31,13,0|HERESTARTLISTENOIRE|"_s +
                paul + u"|IAMINNOONELISTENOIRE|MYMAILSNUMBER,3,"_s,
            u"jean,10.0.0.2,H,25,75012,1 marie,0.0.0.0,F,31,13,0"_s, paul, {}, E::None,
            u"MYMAILSNUMBER,3,"_s);
        row("both lists empty",
            u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|MYMAILSNUMBER,0,"_s, {}, {}, {},
            E::None, u"MYMAILSNUMBER,0,"_s);
        row("black-listed by two members",
            u"HERESTARTFAVORIS|"_s + jean +
                u"|NOLISTENOIREDEFINED|IAMINLISTENOIREOF|jean,paul,MYMAILSNUMBER,1,"_s,
            jean, {}, u"jean paul"_s, E::None, u"MYMAILSNUMBER,1,"_s);
        row("duplicates kept in order",
            u"HERESTARTFAVORIS|"_s + jean +
                u"|jean,0.0.0.0,H,26,7,1|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|x"_s,
            jean + u" jean,0.0.0.0,H,26,7,1"_s, {}, {}, E::None, u"x"_s);
        row("a marker followed at once by the next",
            u"HERESTARTFAVORIS|HERESTARTLISTENOIRE|"_s + paul + u"|IAMINNOONELISTENOIRE|x"_s, {}, paul, {},
            E::None, u"x"_s);
        // Broken replies: what came before the break is kept, nothing after it.
        row("record short of fields",
            u"HERESTARTFAVORIS|"_s + jean + u"|marie,0.0.0.0,F|HERESTARTLISTENOIRE|x"_s, jean, {}, {},
            E::ShortRecord, u"marie,0.0.0.0,F|HERESTARTLISTENOIRE|x"_s);
        row("last record without its bar", u"HERESTARTFAVORIS|"_s + jean + u"|marie,0.0.0.0,F,31,13,0"_s,
            jean, {}, {}, E::UnterminatedSection, u"marie,0.0.0.0,F,31,13,0"_s);
        row("no favourites marker", u"MYMAILSNUMBER,2,"_s, {}, {}, {}, E::MissingFavorisMarker,
            head + u"MYMAILSNUMBER,2,"_s);
        row("favourites not followed by the black list",
            u"HERESTARTFAVORIS|"_s + jean + u"|IAMINNOONELISTENOIRE|x"_s, jean, {}, {}, E::ShortRecord,
            u"IAMINNOONELISTENOIRE|x"_s);
        row("no black-list marker", u"NOFAVORISDEFINED|IAMINNOONELISTENOIRE|x"_s, {}, {}, {},
            E::MissingListeNoireMarker, u"IAMINNOONELISTENOIRE|x"_s);
        row("black list not followed by the third section",
            u"NOFAVORISDEFINED|HERESTARTLISTENOIRE|"_s + paul + u"|MYMAILSNUMBER,2,"_s, {}, paul, {},
            E::UnterminatedSection, u"MYMAILSNUMBER,2,"_s);
        row("black-listed-by without the mail count",
            u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINLISTENOIREOF|jean,paul"_s, {}, {}, u"jean"_s,
            E::UnterminatedBlackListedBy, u"paul"_s);
        row("black-listed-by running into a section",
            u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINLISTENOIREOF|jean,IAMINNOONELISTENOIRE|x,"_s, {}, {},
            u"jean"_s, E::UnterminatedBlackListedBy, u"IAMINNOONELISTENOIRE|x,"_s);
        row("no third section at all", u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|"_s, {}, {}, {},
            E::MissingBlackListedByMarker, {});
    }
    void parse()
    {
        QFETCH(QString, reply);
        const RefreshReply parsed = parseRefreshReply(reply);
        QTEST(flatten(parsed.favoris), "favoris");
        QTEST(flatten(parsed.listeNoire), "listeNoire");
        QTEST(parsed.blackListedBy.join(u' '), "blackListedBy");
        QTEST(parsed.error, "error");
        QTEST(parsed.rest, "rest");
    }

    void mailCount_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("count"); // -1: nothing to show
        QTest::newRow("three") << u"MYMAILSNUMBER,3,"_s << 3;
        QTest::newRow("not a number") << u"MYMAILSNUMBER,x,"_s << 0;
        QTest::newRow("number then junk") << u"MYMAILSNUMBER,12abc,"_s << 12;
        QTest::newRow("after another keyword")
            << u"HTTP/1.1 200 OK\r\n\r\nMAILSENDEDOKMYMAILSNUMBER,2,"_s << 2;
        QTest::newRow("no closing comma") << u"MYMAILSNUMBER,5"_s << -1;
        QTest::newRow("absurdly long") << u"MYMAILSNUMBER,99999999999,"_s << -1;
        QTest::newRow("no marker") << u"MAILSENDEDOK"_s << -1;
    }
    void mailCount()
    {
        QFETCH(QString, reply);
        QTEST(parseMailCount(reply).value_or(-1), "count");
    }
};

QTEST_GUILESS_MAIN(TestRefreshReply)
#include "test_refreshreply.moc"
