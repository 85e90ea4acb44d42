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

// Logged in as "moi", luc (a woman's row, whatever the pseudo says) a favourite, zoe black-listed.
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

    QTreeWidgetItem *luc, *zoe;
};

const QByteArray profileWithPhoto = "HERESTARTREQUIREDPROFILLucie,Nantes,Pays-de-la-Loire,165,0,bruns,verts,"
                                    "NULL,sport,non,marie,-1,1,2024-01-31,";

} // namespace

class TestDirectoryWindows : public QObject
{
    Q_OBJECT

private slots:
    // A row without a sex, or a lower-case "f", reads as a man; the profile and photo are those of the
    // row asked for, whatever was right-clicked meanwhile; the photo's bytes come through as sent.
    void profileAndPhotoOfTheMemberAskedFor()
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
            const ProfileReply reply = parseProfileReply(u"HERESTARTREQUIREDPROFIL"_s + fields);
            QCOMPARE(profileTexts(reply, {u"luc44"_s, u"31"_s, u"44"_s, sexe}).line(line), expected);
        }

        // Every empty marker leaves the bare prefix; height and weight lose their unit and space too.
        const ProfileTexts empty = profileTexts(
            parseProfileReply(
                u"HERESTARTREQUIREDPROFILNULL,NULL,NULL,0,0,NULL,NULL,NULL,NULL,NULL,NULL,-1,0,2002-11-05,"_s),
            {u"luc44"_s, u"31"_s, u"44"_s, u"H"_s});
        QStringList filled{empty.caption};
        for (const QString &text : empty.lines)
            if (!text.endsWith(u": "))
                filled.append(text);
        QCOMPARE(filled, (QStringList{u"luc44"_s, u"Sexe : Homme"_s, u"Age : 31"_s, u"Département : 44"_s,
                                      u"Taille :"_s, u"Poids :"_s, u"Dernière connection : 05/11/2002"_s}));

        const QByteArray bytes("\x00\x81\x8d\x8f\x90\x9d\xff\r\n\r\nmore", 14);
        QCOMPARE(photoBytes(wiretext::fromWire("HTTP/1.1 200 OK\r\n\r\n" + bytes)), bytes);
        QCOMPARE(photoBytes(u"HTTP/1.1 200 OK\r\nContent-Type: image/jpeg"_s), QByteArray());
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "JPG"));
        Directory f;
        f.server.queue(heldOpen);
        f.server.queue(Answer{ScriptedServer::httpOk(jpeg, "image/jpeg")});
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
        const QLabel *box = child<QLabel>(&f.main(), u"pctBoxProfil"_s);
        const QSize shown = box->pixmap().size();
        QCOMPARE(shown.boundedTo(box->contentsRect().size()), shown);
        QCOMPARE(shown.width() * 3 / 4, shown.height());
        QVERIFY(f.desktop.notifier.shown.isEmpty()); // the handlers took the answers
    }

    // No photo, silently, for a broken picture or a missing file; a member's words set off no handler.
    void unusablePhotosAndHostileProfiles()
    {
        const QByteArray hostile =
            "HERESTARTREQUIREDPROFILNOSEARCHRESULT,Content-Type: image/jpeg,SEARCHISOK|,"
            "0,0,NULL,NULL,NULL,NULL,NULL,NULL,-1,0,2024-01-31,";
        for (const auto &[profile, photo] :
             {std::pair{profileWithPhoto, ScriptedServer::httpOk("not a jpeg", "image/jpeg")},
              {profileWithPhoto, ScriptedServer::httpOk("LEMEMBRENEXISTEPAS")},
              {hostile, QByteArray()}}) {
            Directory f;
            new QTreeWidgetItem(f.main().lvRecherche(), QStringList{u"kept"_s});
            f.server.queue(profile);
            if (!photo.isEmpty())
                f.server.queue(Answer{photo});
            f.command(f.zoe, u"MNU_ProfilFromListeNoire"_s);
            QVERIFY(f.handled(photo.isEmpty() ? 1 : 2));
            QCOMPARE(f.picture(), profileview::NoPhoto);
            QVERIFY(f.desktop.notifier.shown.isEmpty());
            QCOMPARE(pseudos(f.main().lvRecherche()), u"kept"_s);
            QCOMPARE(f.text(u"lblPrenom"_s),
                     photo.isEmpty() ? u"Prénom : NOSEARCHRESULT"_s : u"Prénom : Lucie"_s);
        }
    }

    // Records before a short one or a missing end, at most the cap; the limit announced ("" for none).
    // The list is replaced; one who black-listed the user is grey yet keeps his address.
    void searchResultsReplaceTheList()
    {
        using E = SearchParseError;
        const QString luc = u"luc,H,31,44000,0.0.0.0,no,1|"_s, eve = u"eve,F,25,75,10.0.0.9,yes,0|"_s;
        const std::tuple<QString, QString, SearchParseError, QString> rows[] = {
            {u"HERESTARTSEARCHRESULTSEARCHISOK|"_s, u""_s, E::None, QString()},
            {u"HERESTARTSEARCHRESULT"_s + luc + u"eve,F,25|SEARCHISOK|"_s, u"luc"_s, E::ShortRecord,
             u"eve,F,25|SEARCHISOK|"_s},
            {u"HERESTARTSEARCHRESULT"_s + luc + u"SEARCHISOK"_s, u"luc"_s, E::Unterminated, u"SEARCHISOK"_s},
            {u"HERESTARTSEARCHRESULT"_s + luc.repeated(maxSearchRecords) + eve + u"SEARCHISOK|x"_s,
             QStringList(maxSearchRecords, u"luc"_s).join(u' '), E::None, u"x"_s},
            {u"SEARCHISOK|"_s, u""_s, E::MissingStart, u"SEARCHISOK|"_s},
        };
        for (const auto &[body, pseudos, error, rest] : rows) {
            const SearchReply reply = parseSearchReply(body);
            QStringList found;
            for (const SearchRecord &record : reply.records)
                found.append(record.pseudo);
            QCOMPARE(found.join(u' '), pseudos);
            QCOMPARE(reply.error, error);
            QCOMPARE(reply.rest, rest);
        }
        for (const auto &[text, count] : {std::pair{u"MAXRESULTREACHED:7|"_s, u"7"_s},
                                          {u"MAXRESULTREACHED,100"_s, QString()},
                                          {u"MAXRESULTREACHED,<b>x</b>|"_s, QString()},
                                          {u"MAXRESULTREACHED,|"_s, QString()}})
            QCOMPARE(parseMaxResult(text).value_or(QString()), count);

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
        const auto row = [list](int i) {
            QStringList cells;
            for (int c = contactrow::Pseudo; c <= contactrow::Adresse; ++c)
                cells.append(list->topLevelItem(i)->text(c));
            return cells.join(u' ') + (contactrow::isOnline(list->topLevelItem(i)) ? u" on"_s : u" off"_s);
        };
        QCOMPARE((QStringList{row(0), row(1), row(2)}),
                 (QStringList{u"abel 40 75 H  off"_s, u"bea 25 13 F 10.0.0.9 on"_s,
                              u"carl 33 6 H 10.0.0.7 off"_s}));
        QCOMPARE(contactface::face(list->topLevelItem(1)), 4);
        QCOMPARE(f.desktop.notifier.shown, QList<Notice>{maxResultReachedNotice(u"100"_s)});

        // Trimmed and lower-cased; a non-alphanumeric pseudo is refused and emptied, blanks send nothing.
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
};

QTEST_MAIN(TestDirectoryWindows)
#include "test_directorywindows.moc"
