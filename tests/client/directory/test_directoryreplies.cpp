#include "client/directory/photoreply.h"
#include "client/directory/profilereply.h"
#include "client/directory/searchreply.h"
#include "client/server/wiretext.h"

#include <QTest>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

const QString head = u"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n"_s;

} // namespace

class TestDirectoryReplies : public QObject
{
    Q_OBJECT

private slots:
    // Every empty marker leaves the bare prefix; height and weight lose their unit and space too.
    void emptyProfile()
    {
        const ProfileReply reply = parseProfileReply(
            u"HERESTARTREQUIREDPROFILNULL,NULL,NULL,0,0,NULL,NULL,NULL,NULL,NULL,NULL,-1,0,2002-11-05,"_s);
        const auto &lines = profileTexts(reply, {}).lines;
        QCOMPARE(QStringList(lines.begin() + 3, lines.end()),
                 (QStringList{u"Prénom : "_s, u"Ville : "_s, u"Région : "_s, u"Taille :"_s, u"Poids :"_s,
                              u"Cheveux : "_s, u"Yeux : "_s, u"Ethnie : "_s, u"Style : "_s, u"Fumeur : "_s,
                              u"Statut : "_s, u"Enfants : "_s, u"Dernière connection : 05/11/2002"_s}));
    }

    // The lines of the tab for a reply and the row it was asked from.
    void profileLines_data()
    {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("sexe");
        QTest::addColumn<ProfileLine>("line");
        QTest::addColumn<QString>("expected");
        const QString full =
            u"Luc,Nantes,Pays-de-la-Loire,175,68,bruns,verts,europeenne,sport,non,veuf,2,1,2024-01-31,"_s;
        using L = ProfileLine;
        const auto row = [](const char *name, const QString &fields, const char *sexe, ProfileLine line,
                            const QString &expected) {
            QTest::newRow(name) << fields << QString::fromLatin1(sexe) << line << expected;
        };
        row("height", full, "H", L::Taille, u"Taille : 175 cm"_s);
        row("woman", full, "F", L::Sexe, u"Sexe : Femme"_s);
        row("no sex in the row", full, "", L::Sexe, u"Sexe : Homme"_s);
        row("lower-case f is not a woman", full, "f", L::Sexe, u"Sexe : Homme"_s);
        // Cut short: the missing fields read as empty, the date line stays bare.
        row("cut short: height", u"Luc,Nantes,"_s, "H", L::Taille, u"Taille :"_s);
        row("cut short: date", u"Luc,Nantes,"_s, "H", L::LastConnect, u"Dernière connection : "_s);
        row("date without two dashes", u"a,b,c,0,0,d,e,f,g,h,NULL,-1,0,20021105,"_s, "H", L::LastConnect,
            u"Dernière connection : "_s);
    }
    void profileLines()
    {
        QFETCH(QString, fields);
        QFETCH(QString, sexe);
        QFETCH(ProfileLine, line);
        QFETCH(QString, expected);
        const ProfileReply reply = parseProfileReply(head + u"HERESTARTREQUIREDPROFIL"_s + fields);
        QCOMPARE(profileTexts(reply, {u"luc44"_s, u"31"_s, u"44"_s, sexe}).line(line), expected);
    }

    void maritalStatus_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("man");
        QTest::addColumn<QString>("woman");
        QTest::newRow("none") << u"NULL"_s << QString() << QString();
        QTest::newRow("married") << u"marie"_s << u"marié"_s << u"mariée"_s;
        QTest::newRow("widowed") << u"veuf"_s << u"veuf"_s << u"veuve"_s;
        QTest::newRow("anything else") << u"pacse"_s << u"pacse"_s << u"pacsee"_s;
    }
    void maritalStatus()
    {
        QFETCH(QString, value);
        QFETCH(QString, man);
        QFETCH(QString, woman);
        QCOMPARE(maritalStatusWord(value, u"H"_s), man);
        QCOMPARE(maritalStatusWord(value, u"F"_s), woman);
        QCOMPARE(maritalStatusWord(value, QString()), man); // a row without a sex reads as a man's
    }

    void search_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QStringList>("pseudos");
        QTest::addColumn<SearchParseError>("error");
        QTest::addColumn<QString>("rest");
        using E = SearchParseError;
        const QString luc = u"luc,H,31,44000,0.0.0.0,no,1|"_s, eve = u"eve,F,25,75,10.0.0.9,yes,0|"_s;
        QTest::newRow("two members") << u"HERESTARTSEARCHRESULT"_s + luc + eve + u"SEARCHISOK|"_s
                                     << QStringList{u"luc"_s, u"eve"_s} << E::None << QString();
        QTest::newRow("limit part left")
            << u"HERESTARTSEARCHRESULT"_s + luc + u"SEARCHISOK|MAXRESULTREACHED,100|"_s
            << QStringList{u"luc"_s} << E::None << u"MAXRESULTREACHED,100|"_s;
        QTest::newRow("no record") << u"HERESTARTSEARCHRESULTSEARCHISOK|"_s << QStringList{} << E::None
                                   << QString();
        QTest::newRow("short record") << u"HERESTARTSEARCHRESULT"_s + luc + u"eve,F,25|SEARCHISOK|"_s
                                      << QStringList{u"luc"_s} << E::ShortRecord << u"eve,F,25|SEARCHISOK|"_s;
        QTest::newRow("no final marker") << u"HERESTARTSEARCHRESULT"_s + luc + u"SEARCHISOK"_s
                                         << QStringList{u"luc"_s} << E::Unterminated << u"SEARCHISOK"_s;
        QTest::newRow("more than kept")
            << u"HERESTARTSEARCHRESULT"_s + luc.repeated(maxSearchRecords) + eve + u"SEARCHISOK|x"_s
            << QStringList(maxSearchRecords, u"luc"_s) << E::None << u"x"_s;
        QTest::newRow("no start") << u"SEARCHISOK|"_s << QStringList{} << E::MissingStart << u"SEARCHISOK|"_s;
    }
    void search()
    {
        QFETCH(QString, body);
        QFETCH(QStringList, pseudos);
        QFETCH(SearchParseError, error);
        QFETCH(QString, rest);
        const SearchReply reply = parseSearchReply(body);
        QStringList found;
        for (const SearchRecord &record : reply.records)
            found.append(record.pseudo);
        QCOMPARE(found, pseudos);
        QCOMPARE(reply.error, error);
        QCOMPARE(reply.rest, rest);
    }

    void maxResult_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("count"); // "" for none
        QTest::newRow("hundred") << u"SEARCHISOK|MAXRESULTREACHED,100|"_s << u"100"_s;
        QTest::newRow("other separator") << u"MAXRESULTREACHED:7|"_s << u"7"_s;
        QTest::newRow("no bar") << u"MAXRESULTREACHED,100"_s << QString();
        QTest::newRow("not a number") << u"MAXRESULTREACHED,<b>x</b>|"_s << QString();
        QTest::newRow("empty number") << u"MAXRESULTREACHED,|"_s << QString();
    }
    void maxResult()
    {
        QFETCH(QString, text);
        QFETCH(QString, count);
        QCOMPARE(parseMaxResult(text).value_or(QString()), count);
    }

    // Every byte value comes back as it was sent, the code page's holes included.
    void photoBytesRoundTrip()
    {
        QByteArray jpeg;
        for (int b = 0; b < 256; ++b)
            jpeg.append(char(b));
        jpeg.append("\r\n\r\nmore");
        const QByteArray wire = "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n\r\n" + jpeg;
        QCOMPARE(photoBytes(wiretext::fromWire(wire)), jpeg);
        QCOMPARE(photoBytes(u"HTTP/1.1 200 OK\r\nContent-Type: image/jpeg"_s), QByteArray());
    }
};

QTEST_APPLESS_MAIN(TestDirectoryReplies)
#include "test_directoryreplies.moc"
