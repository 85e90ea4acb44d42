#include "client/contacts/contactface.h"
#include "client/directory/profileview.h"
#include "client/shell/contactrow.h"
#include "tests/support/clientfixture.h"

#include <QBuffer>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QTabWidget>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

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

const Answer heldOpen{{}, false, true};

QByteArray profile(const char *photoFlag)
{
    return QByteArray("HERESTARTREQUIREDPROFIL") +
           "Lucie,Nantes,Pays-de-la-Loire,165,0,bruns,verts,NULL,sport,non,marie,-1," + photoFlag +
           ",2024-01-31,";
}

QByteArray jpegAnswer(const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nConnection: close\r\n\r\n" + body;
}

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

class TestDirectoryWindows : public QObject
{
    Q_OBJECT

private slots:
    // The answer is labelled with the row the profile was asked from, and the photo asked for is
    // that member's, even when the user has right-clicked another row meanwhile.
    void profileAndPhotoOfTheMemberAskedFor()
    {
        Directory f;
        f.server.queue(heldOpen);
        f.server.queue(Answer{jpegAnswer(jpeg({400, 300}))});
        f.command(f.luc, u"MNU_ProfilFromFavoris"_s);
        QVERIFY(f.server.waitForRequests(1));
        QVERIFY(!f.engine().refreshTimer().isActive());
        f.main().rowSelection().setSelectedItem(f.zoe);
        f.answerHeld(profile("1"));
        QVERIFY(f.handled(2));

        QCOMPARE(f.requestLine(0), "GET /getprofil.php?pseudo=luc HTTP/1.1");
        QCOMPARE(f.requestLine(1), "GET /photos/luc.jpg HTTP/1.1");
        QCOMPARE(child<QTabWidget>(&f.main(), u"ssTab"_s)->currentIndex(), 2);
        QCOMPARE(child<QGroupBox>(&f.main(), u"frameProfil"_s)->title(), u"luc"_s);
        QCOMPARE(f.text(u"lblSexe"_s), u"Sexe : Femme"_s);
        QCOMPARE(f.text(u"lblAge"_s), u"Age : 31"_s);
        QCOMPARE(f.text(u"lblPrenom"_s), u"Prénom : Lucie"_s);
        QCOMPARE(f.text(u"lblStatut"_s), u"Statut : mariée"_s);
        QCOMPARE(f.picture(), profileview::Photo);
        // Larger than the box: shrunk into it, its shape kept.
        const QLabel *box = child<QLabel>(&f.main(), u"pctBoxProfil"_s);
        const QSize shown = box->pixmap().size();
        QVERIFY(shown.width() <= box->contentsRect().width() &&
                shown.height() <= box->contentsRect().height());
        QCOMPARE(shown.width() * 3 / 4, shown.height());
        QVERIFY(f.engine().refreshTimer().isActive());
    }

    void photoAnswers_data()
    {
        QTest::addColumn<QByteArray>("flag");
        QTest::addColumn<QByteArray>("photo"); // empty: no photo request expected
        QTest::addColumn<int>("picture");
        QTest::newRow("no photo") << QByteArray("0") << QByteArray() << int(profileview::NoPhoto);
        QTest::newRow("small photo") << QByteArray("1") << jpegAnswer(jpeg({40, 30}))
                                     << int(profileview::Photo);
        QTest::newRow("broken picture")
            << QByteArray("1") << jpegAnswer("not a jpeg") << int(profileview::NoPhoto);
        // The server has no file: no photo; the contact handler puts the timer back.
        QTest::newRow("no file on the server")
            << QByteArray("1") << ScriptedServer::httpOk("LEMEMBRENEXISTEPAS") << int(profileview::NoPhoto);
    }
    void photoAnswers()
    {
        QFETCH(QByteArray, flag);
        QFETCH(QByteArray, photo);
        QFETCH(int, picture);
        Directory f;
        f.server.queue(profile(flag.constData()));
        if (!photo.isEmpty())
            f.server.queue(Answer{photo});
        f.command(f.zoe, u"MNU_ProfilFromListeNoire"_s);
        QVERIFY(f.handled(photo.isEmpty() ? 1 : 2));
        QCOMPARE(f.server.requests.size(), photo.isEmpty() ? 1 : 2);
        QCOMPARE(int(f.picture()), picture);
        QVERIFY(f.engine().refreshTimer().isActive());
    }

    void searchByPseudo_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("boxAfter");
        QTest::addColumn<QByteArray>("requestLine"); // empty: nothing sent
        QTest::addColumn<bool>("refused");
        QTest::newRow("spaces around, upper case")
            << u" Ab1 "_s << u"ab1"_s << QByteArray("GET /searchmembers3.php?pseudo=ab1&iamuser=moi HTTP/1.1")
            << false;
        QTest::newRow("accented letter") << u"élodie"_s << QString() << QByteArray() << true;
        QTest::newRow("query breaker") << u"a&b=c"_s << QString() << QByteArray() << true;
        QTest::newRow("only spaces") << u"   "_s << QString() << QByteArray() << false;
    }
    void searchByPseudo()
    {
        QFETCH(QString, typed);
        QFETCH(QString, boxAfter);
        QFETCH(QByteArray, requestLine);
        QFETCH(bool, refused);
        Directory f;
        auto *box = child<QLineEdit>(&f.main(), u"txtSearchPseudo"_s);
        box->setText(typed);
        QTest::mouseClick(child<QPushButton>(&f.main(), u"cmdSearchPseudo"_s), Qt::LeftButton);
        QCOMPARE(box->text(), boxAfter);
        QCOMPARE(f.desktop.notifier.titles(), refused ? QStringList{u"Attention !"_s} : QStringList());
        if (refused)
            QCOMPARE(f.desktop.notifier.shown[0].text,
                     u"Le pseudo du membre ne doit contenir\r\nque des caractères alpha-numériques."_s);
        if (requestLine.isEmpty()) {
            QCOMPARE(f.engine().state(), RequestEngine::State::Idle);
            QCOMPARE(f.server.connections, 0);
        } else {
            QVERIFY(f.server.waitForRequests(1));
            QCOMPARE(f.requestLine(0), requestLine);
        }
    }

    void searchByCriteriaSendsTheShownTexts()
    {
        Directory f;
        QTest::mouseClick(child<QPushButton>(&f.main(), u"cmdSearchCriteres"_s), Qt::LeftButton);
        QVERIFY(f.server.waitForRequests(1));
        QCOMPARE(f.requestLine(0),
                 "GET /searchmembers3.php?sexe=indiff\xe9rent&age=indiff\xe9rent&region=indiff\xe9rent"
                 "&taille=indiff\xe9rent&poids=indiff\xe9rent&iamuser=moi&withphotoonly=no HTTP/1.1");
    }

    // Rows as the contact lists show them: colours, hidden address, faces; then the limit notice;
    // then a search that finds nobody empties the list.
    void searchResultsReplaceTheList()
    {
        Directory f;
        new QTreeWidgetItem(f.main().lvRecherche(), QStringList{u"old"_s});
        f.engine().refreshTimer().stop();
        f.server.queue(QByteArray("HERESTARTSEARCHRESULT"
                                  "abel,H,40,75012,0.0.0.0,no,1|"
                                  "bea,F,25,13100,10.0.0.9,no,0|"
                                  "carl,H,33,6,10.0.0.7,yes,0|"
                                  "SEARCHISOK|MAXRESULTREACHED,100|"));
        f.engine().start(RequestKind::SearchCriteres);
        QVERIFY(f.handled(1));
        QTreeWidget *list = f.main().lvRecherche();
        QCOMPARE(pseudos(list), u"abel bea carl"_s);
        const QTreeWidgetItem *abel = list->topLevelItem(0), *bea = list->topLevelItem(1),
                              *carl = list->topLevelItem(2);
        QCOMPARE(abel->text(contactrow::Departement), u"75"_s);
        QCOMPARE(abel->text(contactrow::Sexe), u"H"_s);
        QCOMPARE(abel->text(contactrow::Age), u"40"_s);
        QVERIFY(!contactrow::isOnline(abel) && abel->text(contactrow::Adresse).isEmpty());
        QVERIFY(contactrow::isOnline(bea));
        QCOMPARE(bea->text(contactrow::Adresse), u"10.0.0.9"_s);
        QCOMPARE(bea->foreground(contactrow::Adresse).color(), list->palette().color(QPalette::Base));
        QVERIFY(!contactrow::isOnline(carl)); // black-listed the user: grey, yet his address is kept
        QCOMPARE(carl->text(contactrow::Adresse), u"10.0.0.7"_s);
        QCOMPARE((QList<int>{contactface::face(abel), contactface::face(bea), contactface::face(carl)}),
                 (QList<int>{1, 4, 3}));
        QCOMPARE(f.desktop.notifier.titles(), QStringList{u"Attention"_s});
        QCOMPARE(f.desktop.notifier.shown[0].text,
                 u"Plus de 100 membres correspondants aux critères que vous\r\navez séléctionnés ont été "
                 u"trouvés. Les 100 premiers membres\r\ntrouvés ont été retenus. Affinez votre recherche."_s);
        QVERIFY(f.engine().refreshTimer().isActive());

        f.engine().refreshTimer().stop();
        f.server.queue(QByteArray("NOSEARCHRESULT"));
        f.engine().start(RequestKind::SearchPseudo);
        QVERIFY(f.handled(2));
        QCOMPARE(list->topLevelItemCount(), 0);
        QCOMPARE(f.desktop.notifier.shown.last().title, u"Resultat"_s);
        QCOMPARE(f.desktop.notifier.shown.last().text,
                 u"Aucune membre ne correspond à votre recherche.\r\nVeuillez élargir vos critères."_s);
        QVERIFY(f.engine().refreshTimer().isActive());
    }

    // A member's own words in his profile never set off another answer's handler.
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
