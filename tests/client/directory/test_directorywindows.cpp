#include "client/contacts/contactface.h"
#include "client/directory/directorynotices.h"
#include "client/directory/photoreply.h"
#include "client/directory/profilereply.h"
#include "client/directory/profileview.h"
#include "client/directory/searchreply.h"
#include "client/server/wiretext.h"
#include "client/shell/contactrow.h"
#include "tests/support/clientfixture.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QTabWidget>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {
const QString head = u"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n"_s;

// A client logged in as "moi", with luc (a woman's row, whatever her pseudo says) in the favourites
// and zoe in the black list; nothing sent yet.
struct Directory : ClientFixture
{
    Directory()
    {
        presetSession();
        luc = new QTreeWidgetItem(main().lvFavoris(), QStringList{u"luc"_s, u"31"_s, u"44"_s, u"F"_s});
        zoe = new QTreeWidgetItem(main().lvListeNoire(), QStringList{u"zoe"_s, u"22"_s, u"13"_s, u"F"_s});
    }
    QString text(const QString &label) { return child<QLabel>(&main(), label)->text(); }
    profileview::Picture picture() { return profileview::shown(*child<QLabel>(&main(), u"pctBoxProfil"_s)); }
    bool handled(int requests) { return server.waitForRequests(requests) && waitIdle(); }

    QTreeWidgetItem *luc = nullptr;
    QTreeWidgetItem *zoe = nullptr;
};

const QByteArray profileWithPhoto = "HERESTARTREQUIREDPROFILLucie,Nantes,Pays-de-la-Loire,165,0,bruns,verts,"
                                    "NULL,sport,non,marie,-1,1,2024-01-31,";

QByteArray jpeg(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

} // namespace

// The directory's replies read, then shown in the main window.
class TestDirectoryWindows : public QObject
{
    Q_OBJECT

private slots:
    // Every empty marker leaves the bare prefix; height and weight lose their unit and space too.
    void emptyProfile()
    {
        const ProfileReply reply = parseProfileReply(
            u"HERESTARTREQUIREDPROFILNULL,NULL,NULL,0,0,NULL,NULL,NULL,NULL,NULL,NULL,-1,0,2002-11-05,"_s);
        const ProfileTexts texts = profileTexts(reply, {u"luc44"_s, u"31"_s, u"44"_s, u"H"_s});
        QStringList filled{texts.caption};
        for (const QString &text : texts.lines)
            if (!text.endsWith(u": "))
                filled.append(text);
        QCOMPARE(filled, (QStringList{u"luc44"_s, u"Sexe : Homme"_s, u"Age : 31"_s, u"Département : 44"_s,
                                      u"Taille :"_s, u"Poids :"_s, u"Dernière connection : 05/11/2002"_s}));
    }

    // The lines of the tab for a reply and the row it was asked from: a row without a sex, or a
    // lower-case "f", reads as a man; a reply cut short leaves the missing lines bare.
    void profileLines()
    {
        const QString full =
            u"Luc,Nantes,Pays-de-la-Loire,175,68,bruns,verts,europeenne,sport,non,veuf,2,1,2024-01-31,"_s;
        using L = ProfileLine;
        const std::tuple<QString, QString, ProfileLine, QString> rows[] = {
            {full, u"H"_s, L::Taille, u"Taille : 175 cm"_s},
            {full, u""_s, L::Sexe, u"Sexe : Homme"_s},
            {full, u"f"_s, L::Sexe, u"Sexe : Homme"_s},
            {u"Luc,Nantes,"_s, u"H"_s, L::LastConnect, u"Dernière connection : "_s},
            {full, u"F"_s, L::Statut, u"Statut : veuve"_s},
            {u"a,b,c,0,0,d,e,f,g,h,pacse,"_s, u"F"_s, L::Statut, u"Statut : pacsee"_s},
            {full, u""_s, L::Statut, u"Statut : veuf"_s},
            {u"a,b,c,0,0,d,e,f,g,h,NULL,-1,0,20021105,"_s, u"H"_s, L::LastConnect,
             u"Dernière connection : "_s},
        };
        for (const auto &[fields, sexe, line, expected] : rows) {
            const ProfileReply reply = parseProfileReply(head + u"HERESTARTREQUIREDPROFIL"_s + fields);
            QCOMPARE(profileTexts(reply, {u"luc44"_s, u"31"_s, u"44"_s, sexe}).line(line), expected);
        }
    }

    // What a search answer yields: the records before a short one or a missing end, at most the
    // cap, and the rest for the handlers after.
    void search()
    {
        using E = SearchParseError;
        const QString luc = u"luc,H,31,44000,0.0.0.0,no,1|"_s, eve = u"eve,F,25,75,10.0.0.9,yes,0|"_s;
        const std::tuple<QString, QStringList, SearchParseError, QString> rows[] = {
            {u"HERESTARTSEARCHRESULTSEARCHISOK|"_s, {}, E::None, QString()},
            {u"HERESTARTSEARCHRESULT"_s + luc + u"eve,F,25|SEARCHISOK|"_s,
             {u"luc"_s},
             E::ShortRecord,
             u"eve,F,25|SEARCHISOK|"_s},
            {u"HERESTARTSEARCHRESULT"_s + luc + u"SEARCHISOK"_s,
             {u"luc"_s},
             E::Unterminated,
             u"SEARCHISOK"_s},
            {u"HERESTARTSEARCHRESULT"_s + luc.repeated(maxSearchRecords) + eve + u"SEARCHISOK|x"_s,
             QStringList(maxSearchRecords, u"luc"_s), E::None, u"x"_s},
            {u"SEARCHISOK|"_s, {}, E::MissingStart, u"SEARCHISOK|"_s},
        };
        for (const auto &[body, pseudos, error, rest] : rows) {
            const SearchReply reply = parseSearchReply(body);
            QStringList found;
            for (const SearchRecord &record : reply.records)
                found.append(record.pseudo);
            QCOMPARE(found, pseudos);
            QCOMPARE(reply.error, error);
            QCOMPARE(reply.rest, rest);
        }
    }

    void maxResult() // "" for none
    {
        const std::pair<QString, QString> rows[] = {
            {u"MAXRESULTREACHED:7|"_s, u"7"_s},
            {u"MAXRESULTREACHED,100"_s, QString()},
            {u"MAXRESULTREACHED,<b>x</b>|"_s, QString()},
            {u"MAXRESULTREACHED,|"_s, QString()},
        };
        for (const auto &[text, count] : rows)
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

    // The answer is labelled with the row the profile was asked from, and the photo asked for is
    // that member's, even when the user has right-clicked another row meanwhile.
    void profileAndPhotoOfTheMemberAskedFor()
    {
        Directory f;
        f.server.queue(heldOpen);
        f.server.queue(Answer{ScriptedServer::httpOk(jpeg({400, 300}), "image/jpeg")});
        f.command(f.luc, u"MNU_ProfilFromFavoris"_s);
        QVERIFY(f.server.waitForRequests(1));
        f.main().rowSelection().setSelectedItem(f.zoe);
        f.answerHeld(profileWithPhoto);
        QVERIFY(f.handled(2));

        QCOMPARE(f.requestLine(0), "GET /getprofil.php?pseudo=luc HTTP/1.1");
        QCOMPARE(f.requestLine(1), "GET /photos/luc.jpg HTTP/1.1");
        QCOMPARE(child<QTabWidget>(&f.main(), u"ssTab"_s)->currentIndex(), 2);
        QCOMPARE(child<QGroupBox>(&f.main(), u"frameProfil"_s)->title(), u"luc"_s);
        QCOMPARE(f.text(u"lblSexe"_s), u"Sexe : Femme"_s);
        QCOMPARE(f.text(u"lblPrenom"_s), u"Prénom : Lucie"_s);
        QCOMPARE(f.picture(), profileview::Photo);
        // Larger than the box: shrunk into it, its shape kept.
        const QLabel *box = child<QLabel>(&f.main(), u"pctBoxProfil"_s);
        const QSize shown = box->pixmap().size();
        QCOMPARE(shown.boundedTo(box->contentsRect().size()), shown);
        QCOMPARE(shown.width() * 3 / 4, shown.height());
        QVERIFY(f.desktop.notifier.shown.isEmpty()); // the handlers took the answers
    }

    // A photo the server cannot give shows none, silently: a broken picture, or no file on the
    // server (the contact handler takes that answer).
    void unusablePhotoAnswers()
    {
        for (const QByteArray &photo : {ScriptedServer::httpOk("not a jpeg", "image/jpeg"),
                                        ScriptedServer::httpOk("LEMEMBRENEXISTEPAS")}) {
            Directory f;
            f.server.queue(profileWithPhoto);
            f.server.queue(Answer{photo});
            f.command(f.zoe, u"MNU_ProfilFromListeNoire"_s);
            QVERIFY(f.handled(2));
            QCOMPARE(f.picture(), profileview::NoPhoto);
            QVERIFY(f.desktop.notifier.shown.isEmpty());
        }
    }

    // The criteria go out as the combo boxes show them. The rows are drawn as the contact lists
    // draw them; what is the search's own: the list is replaced, a member who black-listed the user
    // is grey yet keeps his address, the limit is announced, and a search that finds nobody
    // empties the list.
    void searchResultsReplaceTheList()
    {
        Directory f;
        new QTreeWidgetItem(f.main().lvRecherche(), QStringList{u"old"_s});
        f.server.queue(QByteArray("HERESTARTSEARCHRESULT"
                                  "abel,H,40,75012,0.0.0.0,no,1|"
                                  "bea,F,25,13100,10.0.0.9,no,0|"
                                  "carl,H,33,6,10.0.0.7,yes,0|"
                                  "SEARCHISOK|MAXRESULTREACHED,100|"));
        child<QComboBox>(&f.main(), u"cmbAge"_s)->setCurrentIndex(1);
        child<QCheckBox>(&f.main(), u"chkbAvecPhoto"_s)->setChecked(true);
        QTest::mouseClick(child<QPushButton>(&f.main(), u"cmdSearchCriteres"_s), Qt::LeftButton);
        QVERIFY(f.handled(1));
        QCOMPARE(f.requestLine(0),
                 "GET /searchmembers3.php?sexe=indiff\xe9rent&age=de%2018%20\xe0%2025&region=indiff\xe9rent"
                 "&taille=indiff\xe9rent&poids=indiff\xe9rent&iamuser=moi&withphotoonly=yes HTTP/1.1");
        QTreeWidget *list = f.main().lvRecherche();
        QCOMPARE(pseudos(list), u"abel bea carl"_s);
        const QTreeWidgetItem *abel = list->topLevelItem(0), *bea = list->topLevelItem(1),
                              *carl = list->topLevelItem(2);
        QCOMPARE((QStringList{abel->text(contactrow::Age), abel->text(contactrow::Departement),
                              abel->text(contactrow::Sexe), abel->text(contactrow::Adresse)}),
                 (QStringList{u"40"_s, u"75"_s, u"H"_s, QString()}));
        QVERIFY(!contactrow::isOnline(abel) && contactrow::isOnline(bea));
        QCOMPARE(bea->text(contactrow::Adresse), u"10.0.0.9"_s);
        QVERIFY(!contactrow::isOnline(carl));
        QCOMPARE(carl->text(contactrow::Adresse), u"10.0.0.7"_s);
        QCOMPARE(contactface::face(bea), 4);
        QCOMPARE(f.desktop.notifier.shown, QList<Notice>{maxResultReachedNotice(u"100"_s)});

        // A pseudo is searched for without spaces and in lower case; one that is not alphanumeric
        // is refused and emptied, only spaces send nothing.
        auto *box = child<QLineEdit>(&f.main(), u"txtSearchPseudo"_s);
        const std::pair<QString, QString> typed[] = {
            {u"élodie"_s, QString()}, {u"a&b=c"_s, QString()}, {u"   "_s, QString()}, {u" Ab1 "_s, u"ab1"_s}};
        f.server.queue(QByteArray("NOSEARCHRESULT"));
        for (const auto &[text, after] : typed) {
            box->setText(text);
            QTest::mouseClick(child<QPushButton>(&f.main(), u"cmdSearchPseudo"_s), Qt::LeftButton);
            QCOMPARE(box->text(), after);
            QCOMPARE(f.engine().state() == RequestEngine::State::Idle, after.isEmpty());
        }
        QVERIFY(f.handled(2));
        QCOMPARE(f.requestLine(1), "GET /searchmembers3.php?pseudo=ab1&iamuser=moi HTTP/1.1");
        QCOMPARE(list->topLevelItemCount(), 0);
        const Notice refused = searchPseudoNotAlphanumericNotice();
        QCOMPARE(f.desktop.notifier.shown,
                 (QList<Notice>{maxResultReachedNotice(u"100"_s), refused, refused, noSearchResultNotice()}));
    }

    // A member's own words in his profile never set off another answer's handler; with the photo
    // flag off, no photo is asked for (it would be answered with nothing, and said so).
    void profileTextTriggersNothingElse()
    {
        Directory f;
        new QTreeWidgetItem(f.main().lvRecherche(), QStringList{u"kept"_s});
        f.server.queue(
            QByteArray("HERESTARTREQUIREDPROFILNOSEARCHRESULT,Content-Type: image/jpeg,SEARCHISOK|,"
                       "0,0,NULL,NULL,NULL,NULL,NULL,NULL,-1,0,2024-01-31,"));
        f.command(f.luc, u"MNU_ProfilFromFavoris"_s);
        QVERIFY(f.handled(1));
        QCOMPARE(f.text(u"lblPrenom"_s), u"Prénom : NOSEARCHRESULT"_s);
        QCOMPARE(pseudos(f.main().lvRecherche()), u"kept"_s);
        QVERIFY(f.desktop.notifier.shown.isEmpty());
        QCOMPARE(f.picture(), profileview::NoPhoto);
    }
};

QTEST_MAIN(TestDirectoryWindows)
#include "test_directorywindows.moc"
