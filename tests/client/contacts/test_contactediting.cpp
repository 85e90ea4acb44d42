#include "client/contacts/contacteditnotices.h"
#include "client/contacts/contacteditor.h"
#include "client/shell/contactrow.h"
#include "tests/support/clientfixture.h"

#include <QLabel>
#include <QMenu>
#include <QTreeWidget>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

// A client logged in as "moi" whose lists hold jean and marie, paul, and zoe; nothing sent yet.
struct Editing : ClientFixture
{
    Editing()
    {
        presetSession();
        new QTreeWidgetItem(main().lvFavoris(), QStringList{u"jean"_s});
        new QTreeWidgetItem(main().lvFavoris(), QStringList{u"marie"_s});
        new QTreeWidgetItem(main().lvListeNoire(), QStringList{u"paul"_s});
        new QTreeWidgetItem(main().lvRecherche(), QStringList{u"zoe"_s});
    }
};

} // namespace

class TestContactEditing : public QObject
{
    Q_OBJECT

private slots:
    // A local typing mistake must not cancel the request in flight; nothing typed sends nothing;
    // an accepted pseudo goes out as it stands.
    void typedPseudos_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Notice>("notice");
        QTest::newRow("two words") << u"jean dupont"_s << notAlphanumericPseudoNotice();
        QTest::newRow("the user himself") << u"Moi"_s << selfAddNotice();
    }
    void typedPseudos()
    {
        QFETCH(QString, typed);
        QFETCH(Notice, notice);
        Editing f;
        f.server.queue(heldOpen);
        f.engine().startRefresh();
        QVERIFY(f.server.waitForRequests(1));

        trigger(&f.main(), u"MNU_AjoutFavoris"_s);
        QLineEdit *box = child<QLineEdit>(f.client->contactEditor().dialog(FrmAjoutMembre::Variant::Favori),
                                          u"txtLogin"_s);
        QString shownWhileUp;
        f.desktop.notifier.whileShown = [&](const auto &) { shownWhileUp = box->text(); };
        box->setText(typed);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(f.desktop.notifier.shown, QList<Notice>{notice});
        QCOMPARE(shownWhileUp, typed); // emptied only once the message is read
        QVERIFY(box->text().isEmpty() && box->isVisible());
        QCOMPARE(f.server.connections, 1);
        f.answerHeld(
            "REFRESHISOK|NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|MYMAILSNUMBER,2,");
        QVERIFY(QTest::qWaitFor([&] { return f.main().lblMailsNumber()->text() == u"2"_s; }) && f.waitIdle());

        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(box->isVisible() && f.engine().state() == RequestEngine::State::Idle);
        box->setText(u"Jean42"_s);
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(!box->isVisible() && box->text().isEmpty());
        QVERIFY(f.server.waitForRequests(2));
        QCOMPARE(f.requestLine(1), "GET /ajoutmembre.php?login=moi&pseudo=Jean42&liste=favoris HTTP/1.1");
    }

    // A move is one add, then a refresh once the server confirms, and the member leaves the list
    // he came from; a refusal is told for an add only, and nothing follows it.
    void serverAnswers_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("requestLine");
        QTest::addColumn<QList<Notice>>("notices");
        QTest::addColumn<QString>("favoris"); // after the answer
        QTest::newRow("a move") << u"MNU_FavorisToListeNoire"_s << QByteArray("LISTESMISESAJOUR")
                                << QByteArray(
                                       "GET /ajoutmembre.php?login=moi&pseudo=jean&liste=listenoire HTTP/1.1")
                                << QList<Notice>() << u"marie"_s;
        QTest::newRow("already a favourite")
            << u"MNU_RechercheToFavoris"_s << QByteArray("LEMEMBREESTDEJADANSLALISTE")
            << QByteArray("GET /ajoutmembre.php?login=moi&pseudo=zoe&liste=favoris HTTP/1.1")
            << QList<Notice>{*alreadyListedNotice(RequestKind::AddFavoris)} << u"jean marie"_s;
        QTest::newRow("unknown, to black list")
            << u"MNU_FavorisToListeNoire"_s << QByteArray("LEMEMBRENEXISTEPAS")
            << QByteArray("GET /ajoutmembre.php?login=moi&pseudo=jean&liste=listenoire HTTP/1.1")
            << QList<Notice>{*memberUnknownNotice(RequestKind::AddListeNoire)} << u"jean marie"_s;
        QTest::newRow("unknown, to a removal: silent")
            << u"MNU_RemoveFromFavoris"_s << QByteArray("LEMEMBRENEXISTEPAS")
            << QByteArray("GET /removemembre.php?login=moi&pseudo=jean&liste=favoris HTTP/1.1")
            << QList<Notice>() << u"jean marie"_s;
    }
    void serverAnswers()
    {
        QFETCH(QString, entry);
        QFETCH(QByteArray, answer);
        QFETCH(QString, favoris);
        Editing f;
        f.server.queue(answer);
        f.server.queue(heldOpen); // the refresh, when one follows
        const bool fromSearch = entry.startsWith(u"MNU_Recherche");
        f.command((fromSearch ? f.main().lvRecherche() : f.main().lvFavoris())->topLevelItem(0), entry);
        const int requests = answer == "LISTESMISESAJOUR" ? 2 : 1;
        QVERIFY(QTest::qWaitFor([&] { return f.engine().refreshTimer().isActive(); }) &&
                f.server.waitForRequests(requests));
        QTEST(f.requestLine(0), "requestLine");
        QTEST(f.desktop.notifier.shown, "notices");
        QCOMPARE(f.server.connections, requests);
        if (requests == 2)
            QVERIFY(f.requestLine(1).startsWith("GET /softrefresh2.php?login=moi&password=secret"));
        QCOMPARE(pseudos(f.main().lvFavoris()), favoris);
    }

    // The request and its answer are about the row right-clicked when the command was chosen,
    // whatever row the user right-clicks before the connection is even made, and however he
    // sorts the list while the answer is on its way.
    void aRightClickAfterTheStartChangesNothing()
    {
        Editing f;
        f.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.main()));
        QTreeWidget *list = f.main().lvFavoris();
        const auto rightClick = [&](QTreeWidgetItem *row) {
            QTest::mouseClick(list->viewport(), Qt::RightButton, {}, list->visualItemRect(row).center());
            child<QMenu>(&f.main(), u"MNU_Favoris"_s)->hide();
        };
        f.server.queue(heldOpen);
        f.server.queue(heldOpen);
        rightClick(list->topLevelItem(0));
        trigger(&f.main(), u"MNU_RemoveFromFavoris"_s);
        rightClick(list->topLevelItem(1));
        QCOMPARE(f.main().selectedItem(), list->topLevelItem(1));
        QCOMPARE(f.engine().state(), RequestEngine::State::Connecting);
        QVERIFY(f.server.waitForRequests(1));
        QCOMPARE(f.requestLine(0), "GET /removemembre.php?login=moi&pseudo=jean&liste=favoris HTTP/1.1");

        list->sortItems(contactrow::Pseudo, Qt::DescendingOrder); // marie, jean
        rightClick(list->topLevelItem(0));
        f.answerHeld("REMOVEISSUCCESSFUL");
        QVERIFY(f.server.waitForRequests(2));
        QCOMPARE(pseudos(list), u"marie"_s);
        QVERIFY(f.requestLine(1).startsWith("GET /softrefresh2.php"));
        QVERIFY(f.engine().refreshTimer().isActive());
    }
};

QTEST_MAIN(TestContactEditing)
#include "test_contactediting.moc"
