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
    // A local typing mistake must not cancel the request in flight.
    void refusedPseudoKeepsTheRequestInFlight_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Notice>("notice");
        QTest::newRow("two words") << u"jean dupont"_s << notAlphanumericPseudoNotice();
        QTest::newRow("the user himself") << u"Moi"_s << selfAddNotice();
    }
    void refusedPseudoKeepsTheRequestInFlight()
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
        QVERIFY(QTest::qWaitFor([&] { return f.main().lblMailsNumber()->text() == u"2"_s; }));
    }

    void typedPseudoIsSentAsItStands()
    {
        Editing f;
        f.client->contactEditor().showAjout(FrmAjoutMembre::Variant::ListeNoire);
        QWidget *dialog = f.client->contactEditor().dialog(FrmAjoutMembre::Variant::ListeNoire);
        QTest::mouseClick(child<QPushButton>(dialog, u"cmdOk"_s),
                          Qt::LeftButton); // nothing typed: nothing happens
        QVERIFY(dialog->isVisible());
        child<QLineEdit>(dialog, u"txtLogin"_s)->setText(u"Jean42"_s);
        QTest::mouseClick(child<QPushButton>(dialog, u"cmdOk"_s), Qt::LeftButton);
        QVERIFY(!dialog->isVisible() && child<QLineEdit>(dialog, u"txtLogin"_s)->text().isEmpty());
        QVERIFY(f.server.waitForRequests(1));
        QCOMPARE(f.server.connections, 1);
        QCOMPARE(f.requestLine(0), "GET /ajoutmembre.php?login=moi&pseudo=Jean42&liste=listenoire HTTP/1.1");
    }

    // Once the server confirms, the member leaves the list he came from.
    void moveIsOneAddThenARefresh()
    {
        Editing f;
        f.server.queue(QByteArray("LISTESMISESAJOUR"));
        f.server.queue(heldOpen);
        f.command(f.main().lvFavoris()->topLevelItem(0), u"MNU_FavorisToListeNoire"_s);
        QVERIFY(f.server.waitForRequests(2));
        QCOMPARE(f.requestLine(0), "GET /ajoutmembre.php?login=moi&pseudo=jean&liste=listenoire HTTP/1.1");
        QVERIFY(f.requestLine(1).startsWith("GET /softrefresh2.php?login=moi&password=secret"));
        QVERIFY(f.engine().refreshTimer().isActive());
        QCOMPARE(pseudos(f.main().lvFavoris()), u"marie"_s);
    }

    void serverRefusals_data()
    {
        QTest::addColumn<bool>("fromSearch"); // else from the favourites
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QList<Notice>>("notices");
        QTest::newRow("already a favourite")
            << true << u"MNU_RechercheToFavoris"_s << QByteArray("LEMEMBREESTDEJADANSLALISTE")
            << QList<Notice>{*alreadyListedNotice(RequestKind::AddFavoris)};
        QTest::newRow("unknown, to black list")
            << false << u"MNU_FavorisToListeNoire"_s << QByteArray("LEMEMBRENEXISTEPAS")
            << QList<Notice>{*memberUnknownNotice(RequestKind::AddListeNoire)};
        QTest::newRow("unknown, to a removal: silent")
            << false << u"MNU_RemoveFromFavoris"_s << QByteArray("LEMEMBRENEXISTEPAS") << QList<Notice>();
    }
    void serverRefusals()
    {
        QFETCH(bool, fromSearch);
        QFETCH(QString, entry);
        QFETCH(QByteArray, answer);
        QFETCH(QList<Notice>, notices);
        Editing f;
        f.server.queue(answer);
        f.command((fromSearch ? f.main().lvRecherche() : f.main().lvFavoris())->topLevelItem(0), entry);
        QVERIFY(QTest::qWaitFor([&] { return f.engine().refreshTimer().isActive(); }) && f.waitIdle());
        QCOMPARE(f.desktop.notifier.shown, notices);
        QCOMPARE(f.server.connections, 1); // no refresh follows a refusal
        QCOMPARE(pseudos(f.main().lvFavoris()), u"jean marie"_s);
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
