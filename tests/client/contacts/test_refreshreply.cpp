#include "client/contacts/contacteditnotices.h"
#include "client/contacts/mailcount.h"
#include "client/contacts/refreshreply.h"
#include "client/server/requestcatalogue.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString head = u"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\nREFRESHISOK|"_s;

QStringList flatten(const QList<ContactRecord> &records)
{
    QStringList out;
    for (const ContactRecord &r : records)
        out.append(QStringList{r.pseudo, r.address, r.sexe, r.age, r.departement, r.colourFlag}.join(u','));
    return out;
}

} // namespace

class TestRefreshReply : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("favoris");
        QTest::addColumn<QStringList>("listeNoire");
        QTest::addColumn<QStringList>("blackListedBy");
        QTest::addColumn<RefreshParseError>("error");
        QTest::addColumn<QString>("rest");

        const QStringList none;
        QTest::newRow("one connected and one absent favourite")
            << head + u"HERESTARTFAVORIS|jean,10.0.0.2,H,25,75012,1|marie,0.0.0.0,F,31,13,0|"
                      u"HERESTARTLISTENOIRE|paul,0.0.0.0,H,40,6,1|IAMINNOONELISTENOIRE|MYMAILSNUMBER,3,"_s
            << QStringList{u"jean,10.0.0.2,H,25,75012,1"_s, u"marie,0.0.0.0,F,31,13,0"_s}
            << QStringList{u"paul,0.0.0.0,H,40,6,1"_s} << none << RefreshParseError::None
            << u"MYMAILSNUMBER,3,"_s;
        QTest::newRow("both lists empty")
            << head + u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|MYMAILSNUMBER,0,"_s << none
            << none << none << RefreshParseError::None << u"MYMAILSNUMBER,0,"_s;
        QTest::newRow("black-listed by two members")
            << head +
                   u"HERESTARTFAVORIS|jean,1.2.3.4,H,25,75,1|NOLISTENOIREDEFINED|IAMINLISTENOIREOF|jean,paul,"
                   u"MYMAILSNUMBER,1,"_s
            << QStringList{u"jean,1.2.3.4,H,25,75,1"_s} << none << QStringList{u"jean"_s, u"paul"_s}
            << RefreshParseError::None << u"MYMAILSNUMBER,1,"_s;
        QTest::newRow("duplicate records kept in order")
            << head + u"HERESTARTFAVORIS|jean,1.2.3.4,H,25,75,1|jean,0.0.0.0,H,26,75,1|NOLISTENOIREDEFINED|"
                      u"IAMINNOONELISTENOIRE|MYMAILSNUMBER,0,"_s
            << QStringList{u"jean,1.2.3.4,H,25,75,1"_s, u"jean,0.0.0.0,H,26,75,1"_s} << none << none
            << RefreshParseError::None << u"MYMAILSNUMBER,0,"_s;
        QTest::newRow("section marker followed at once by the next one")
            << head + u"HERESTARTFAVORIS|HERESTARTLISTENOIRE|paul,0.0.0.0,H,40,6,1|IAMINNOONELISTENOIRE|"
                      u"MYMAILSNUMBER,0,"_s
            << none << QStringList{u"paul,0.0.0.0,H,40,6,1"_s} << none << RefreshParseError::None
            << u"MYMAILSNUMBER,0,"_s;

        // Broken replies: what came before the break is kept, nothing after it.
        QTest::newRow("record short of fields")
            << head + u"HERESTARTFAVORIS|jean,1.2.3.4,H,25,75,1|marie,0.0.0.0,F|HERESTARTLISTENOIRE|"
                      u"paul,0.0.0.0,H,40,6,1|IAMINNOONELISTENOIRE|MYMAILSNUMBER,3,"_s
            << QStringList{u"jean,1.2.3.4,H,25,75,1"_s} << none << none << RefreshParseError::ShortRecord
            << u"marie,0.0.0.0,F|HERESTARTLISTENOIRE|paul,0.0.0.0,H,40,6,1|IAMINNOONELISTENOIRE|MYMAILSNUMBER,3,"_s;
        QTest::newRow("last record without its bar")
            << head + u"HERESTARTFAVORIS|jean,1.2.3.4,H,25,75,1|marie,0.0.0.0,F,31,13,0"_s
            << QStringList{u"jean,1.2.3.4,H,25,75,1"_s} << none << none
            << RefreshParseError::UnterminatedSection << u"marie,0.0.0.0,F,31,13,0"_s;
        QTest::newRow("no favourites marker")
            << head + u"MYMAILSNUMBER,2,"_s << none << none << none << RefreshParseError::MissingFavorisMarker
            << head + u"MYMAILSNUMBER,2,"_s;
        QTest::newRow("favourites not followed by the black list")
            << head + u"HERESTARTFAVORIS|jean,1.2.3.4,H,25,75,1|IAMINNOONELISTENOIRE|MYMAILSNUMBER,2,"_s
            << QStringList{u"jean,1.2.3.4,H,25,75,1"_s} << none << none << RefreshParseError::ShortRecord
            << u"IAMINNOONELISTENOIRE|MYMAILSNUMBER,2,"_s;
        QTest::newRow("no black-list marker after empty favourites")
            << head + u"NOFAVORISDEFINED|IAMINNOONELISTENOIRE|MYMAILSNUMBER,2,"_s << none << none << none
            << RefreshParseError::MissingListeNoireMarker << u"IAMINNOONELISTENOIRE|MYMAILSNUMBER,2,"_s;
        QTest::newRow("black list not followed by the black-listed-by section")
            << head + u"NOFAVORISDEFINED|HERESTARTLISTENOIRE|paul,0.0.0.0,H,40,6,1|MYMAILSNUMBER,2,"_s << none
            << QStringList{u"paul,0.0.0.0,H,40,6,1"_s} << none << RefreshParseError::UnterminatedSection
            << u"MYMAILSNUMBER,2,"_s;
        QTest::newRow("black-listed-by without the mail count")
            << head + u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINLISTENOIREOF|jean,paul"_s << none << none
            << QStringList{u"jean"_s} << RefreshParseError::UnterminatedBlackListedBy << u"paul"_s;
        QTest::newRow("black-listed-by running into another section")
            << head + u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINLISTENOIREOF|jean,IAMINNOONELISTENOIRE|x,"_s
            << none << none << QStringList{u"jean"_s} << RefreshParseError::UnterminatedBlackListedBy
            << u"IAMINNOONELISTENOIRE|x,"_s;
        QTest::newRow("no third section at all")
            << head + u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|"_s << none << none << none
            << RefreshParseError::MissingBlackListedByMarker << QString();
    }

    void parse()
    {
        QFETCH(QString, reply);
        const RefreshReply parsed = parseRefreshReply(reply);
        QTEST(flatten(parsed.favoris), "favoris");
        QTEST(flatten(parsed.listeNoire), "listeNoire");
        QTEST(parsed.blackListedBy, "blackListedBy");
        QTEST(parsed.error, "error");
        QTEST(parsed.rest, "rest");
    }

    void mailCount_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("count"); // -1: nothing to show

        QTest::newRow("three") << u"MYMAILSNUMBER,3,"_s << 3;
        QTest::newRow("none waiting") << u"MYMAILSNUMBER,0,"_s << 0;
        QTest::newRow("not a number") << u"MYMAILSNUMBER,x,"_s << 0;
        QTest::newRow("number then junk") << u"MYMAILSNUMBER,12abc,"_s << 12;
        QTest::newRow("after headers and another keyword")
            << u"HTTP/1.1 200 OK\r\n\r\nMAILSENDEDOKMYMAILSNUMBER,2,"_s << 2;
        QTest::newRow("no closing comma") << u"MYMAILSNUMBER,5"_s << -1;
        QTest::newRow("absurdly long") << u"MYMAILSNUMBER,99999999999,"_s << -1;
        QTest::newRow("no marker") << u"MAILSENDEDOK"_s << -1;
    }

    void mailCount()
    {
        QFETCH(QString, reply);
        QFETCH(int, count);
        const std::optional<int> parsed = parseMailCount(reply);
        QCOMPARE(parsed.value_or(-1), count);
    }

    // The pseudo read back from a removal must be the one the catalogue put in it.
    void removedPseudoFromTheSentPath()
    {
        RequestInputs in;
        in.userLogin = u"moi"_s;
        in.selectedPseudo = u"Jean42"_s;
        QCOMPARE(removedPseudo(buildRequestPath(RequestKind::RemoveFavoris, in)), u"Jean42"_s);
        QCOMPARE(removedPseudo(buildRequestPath(RequestKind::RemoveListeNoire, in)), u"Jean42"_s);
        in.targetPseudo = u"Jean42"_s;
        QCOMPARE(removedPseudo(buildRequestPath(RequestKind::AddFavoris, in)), QString());
        QCOMPARE(removedPseudo(u"removemembre.php?login=moi"_s), QString());
    }
};

QTEST_GUILESS_MAIN(TestRefreshReply)
#include "test_refreshreply.moc"
