#include "client/contacts/contacteditor.h"
#include "client/server/requestengine.h"
#include "client/shell/client.h"
#include "client/shell/contactrow.h"
#include "client/shell/frmmain.h"
#include "client/shell/rowselection.h"
#include "tests/support/recordingplatform.h"
#include "tests/support/scriptedserver.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

void fill(QTreeWidget *list, const QStringList &pseudos)
{
    for (const QString &pseudo : pseudos)
        new QTreeWidgetItem(list, QStringList{pseudo});
}

QStringList texts(const QTreeWidget &list)
{
    QStringList out;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        out.append(list.topLevelItem(i)->text(contactrow::Pseudo));
    return out;
}

template <typename W> W *control(QWidget *dialog, const char *name)
{
    W *w = dialog->findChild<W *>(QLatin1StringView(name));
    Q_ASSERT(w);
    return w;
}

QLineEdit *txtLogin(QWidget *d)
{
    return control<QLineEdit>(d, "txtLogin");
}

QPushButton *cmdOk(QWidget *d)
{
    return control<QPushButton>(d, "cmdOk");
}

QByteArray requestLine(const QByteArray &request)
{
    return request.left(request.indexOf("\r\n"));
}

ScriptedServer::Answer heldOpen()
{
    ScriptedServer::Answer answer;
    answer.close = false;
    answer.silent = true;
    return answer;
}

} // namespace

class TestContactEditing : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptedServer> server;
    std::unique_ptr<RecordingPlatform> desk;
    std::unique_ptr<Client> client;
    FrmMain *main = nullptr;
    QTreeWidget *favoris = nullptr, *listeNoire = nullptr, *recherche = nullptr;
    QLabel *lblMailsNumber = nullptr;
    ContactEditor *editor = nullptr;

    // A right click on the row, then the context-menu entry.
    void command(QTreeWidgetItem *row, const char *entry)
    {
        main->rowSelection().setSelectedItem(row);
        QAction *action = main->findChild<QAction *>(QLatin1StringView(entry));
        QVERIFY(action);
        action->trigger();
    }

    RequestEngine &engine() { return client->engine(); }
    bool waitIdle()
    {
        return QTest::qWaitFor([&] { return engine().state() == RequestEngine::State::Idle; });
    }

    void answerHeld(const QByteArray &body)
    {
        QVERIFY(server->lastSocket);
        server->lastSocket->write(ScriptedServer::httpOk(body));
        server->lastSocket->disconnectFromHost();
    }

private slots:
    void init()
    {
        server = std::make_unique<ScriptedServer>();
        desk = std::make_unique<RecordingPlatform>();
        ClientState state;
        state.serverHost = server->hostWithPort();
        state.userLogin = u"moi"_s;
        state.userPassword = u"secret"_s;
        client = std::make_unique<Client>(state, desk->platform());
        main = &client->frmMain();
        favoris = main->lvFavoris();
        listeNoire = main->lvListeNoire();
        recherche = main->lvRecherche();
        lblMailsNumber = main->lblMailsNumber();
        fill(favoris, {u"jean"_s, u"marie"_s});
        fill(listeNoire, {u"paul"_s});
        fill(recherche, {u"zoe"_s});
        editor = &client->contactEditor();
    }

    void cleanup()
    {
        client.reset();
        server.reset();
    }

    // Both dialogs come from the menu bar, are modeless, and are hidden rather than rebuilt.
    void dialogsAreTwoFacesOfOneForm()
    {
        main->findChild<QAction *>(u"MNU_AjoutFavoris"_s)->trigger();
        main->findChild<QAction *>(u"MNU_AjoutListeNoire"_s)->trigger();
        FrmAjoutMembre *fav = editor->dialog(FrmAjoutMembre::Variant::Favori);
        FrmAjoutMembre *noire = editor->dialog(FrmAjoutMembre::Variant::ListeNoire);
        QVERIFY(fav && noire && fav->isVisible() && noire->isVisible() && !fav->isModal());
        QCOMPARE(fav->objectName(), u"frmAjoutFavori"_s);
        QCOMPARE(noire->objectName(), u"frmAjoutListeNoire"_s);
        QTest::keyClick(noire, Qt::Key_Escape);
        QVERIFY(!noire->isVisible());
        editor->showAjoutListeNoire();
        QCOMPARE(editor->dialog(FrmAjoutMembre::Variant::ListeNoire), noire);
    }

    void refusedPseudoKeepsTheRequestInFlight_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("two words") << u"jean dupont"_s;
        QTest::newRow("accented letter") << u"élodie"_s;
    }

    void refusedPseudoKeepsTheRequestInFlight()
    {
        QFETCH(QString, typed);
        server->queue(heldOpen());
        engine().startRefresh();
        QVERIFY(server->waitForRequests(1));

        editor->showAjoutFavori();
        FrmAjoutMembre *dialog = editor->dialog(FrmAjoutMembre::Variant::Favori);
        QString shownWhileUp;
        desk->notifier.whileShown = [&](const RecordingNotifier::Shown &) {
            shownWhileUp = txtLogin(dialog)->text();
        };
        txtLogin(dialog)->setText(typed);
        QTest::keyClick(txtLogin(dialog), Qt::Key_Return);

        QCOMPARE(desk->notifier.shown.size(), 1);
        QCOMPARE(desk->notifier.shown[0].title, u"Attention !"_s);
        QCOMPARE(desk->notifier.shown[0].text,
                 u"Le pseudo ne doit contenir que\r\ndes caractères alpha-numériques."_s);
        QCOMPARE(shownWhileUp, typed); // emptied only once the message is read
        QVERIFY(txtLogin(dialog)->text().isEmpty());
        QVERIFY(dialog->isVisible());
        // The refresh is still waiting for its answer, on the same connection.
        QCOMPARE(engine().state(), RequestEngine::State::Waiting);
        QCOMPARE(server->connections, 1);
        answerHeld("REFRESHISOK|NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|MYMAILSNUMBER,2,");
        QVERIFY(QTest::qWaitFor([&] { return lblMailsNumber->text() == u"2"_s; }));
    }

    void typedPseudoIsSentAsItStands()
    {
        engine().refreshTimer().start();
        editor->showAjoutListeNoire();
        FrmAjoutMembre *dialog = editor->dialog(FrmAjoutMembre::Variant::ListeNoire);
        QTest::mouseClick(cmdOk(dialog), Qt::LeftButton); // nothing typed: nothing happens
        QVERIFY(dialog->isVisible());
        QCOMPARE(server->connections, 0);
        txtLogin(dialog)->setText(u"Jean42"_s);
        QTest::mouseClick(cmdOk(dialog), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QVERIFY(txtLogin(dialog)->text().isEmpty());
        QVERIFY(!engine().refreshTimer().isActive());
        QVERIFY(server->waitForRequests(1));
        QCOMPARE(requestLine(server->requests[0]),
                 "GET /ajoutmembre.php?login=moi&pseudo=Jean42&liste=listenoire HTTP/1.1");
    }

    void moveIsOneAddThenARefresh()
    {
        server->queue(QByteArray("LISTESMISESAJOUR"));
        server->queue(heldOpen());
        command(favoris->topLevelItem(0), "MNU_FavorisToListeNoire");
        QVERIFY(server->waitForRequests(2));
        QCOMPARE(requestLine(server->requests[0]),
                 "GET /ajoutmembre.php?login=moi&pseudo=jean&liste=listenoire HTTP/1.1");
        QVERIFY(
            requestLine(server->requests[1]).startsWith("GET /softrefresh2.php?login=moi&password=secret"));
        QVERIFY(engine().refreshTimer().isActive());
        QCOMPARE(texts(*favoris), (QStringList{u"jean"_s, u"marie"_s})); // left to the refresh
    }

    void serverRefusals_data()
    {
        QTest::addColumn<bool>("fromSearch"); // else from the favourites
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("message");
        QTest::newRow("already a favourite, from the search")
            << true << QByteArray("MNU_RechercheToFavoris") << QByteArray("LEMEMBREESTDEJADANSLALISTE")
            << u"Le pseudo que vous avez saisi est déjà dans vos favoris."_s;
        QTest::newRow("unknown, to black list")
            << false << QByteArray("MNU_FavorisToListeNoire") << QByteArray("LEMEMBRENEXISTEPAS")
            << u"Le pseudo que vous avez saisi n'existe pas,\r\nil n'a pas été ajouté en liste noire."_s;
        QTest::newRow("unknown, to a removal: silent")
            << false << QByteArray("MNU_RemoveFromFavoris") << QByteArray("LEMEMBRENEXISTEPAS") << QString();
    }

    void serverRefusals()
    {
        QFETCH(bool, fromSearch);
        QFETCH(QByteArray, entry);
        QFETCH(QByteArray, answer);
        QFETCH(QString, message);
        server->queue(answer);
        engine().refreshTimer().start();
        command((fromSearch ? recherche : favoris)->topLevelItem(0), entry.constData());
        QVERIFY(!engine().refreshTimer().isActive());
        QVERIFY(server->waitForRequests(1));
        QVERIFY(QTest::qWaitFor([&] { return engine().refreshTimer().isActive(); }));
        QVERIFY(waitIdle());
        QCOMPARE(desk->notifier.shown.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(desk->notifier.shown[0].title, u"Attention."_s);
            QCOMPARE(desk->notifier.shown[0].text, message);
        }
        QCOMPARE(server->connections, 1); // no refresh follows a refusal
        QCOMPARE(texts(*favoris), (QStringList{u"jean"_s, u"marie"_s}));
    }

    // The row that goes is the member the request named, even when the user has right-clicked
    // another row and sorted the list while the answer was on its way.
    void removalTakesTheMemberThatWasSent()
    {
        server->queue(heldOpen());
        server->queue(heldOpen());
        command(favoris->topLevelItem(0), "MNU_RemoveFromFavoris");
        QVERIFY(server->waitForRequests(1));
        QCOMPARE(requestLine(server->requests[0]),
                 "GET /removemembre.php?login=moi&pseudo=jean&liste=favoris HTTP/1.1");

        favoris->sortItems(contactrow::Pseudo, Qt::DescendingOrder); // marie, jean
        main->rowSelection().setSelectedItem(favoris->topLevelItem(0));
        QCOMPARE(main->selectedItem()->text(0), u"marie"_s);
        answerHeld("REMOVEISSUCCESSFUL");
        QVERIFY(server->waitForRequests(2));
        QCOMPARE(texts(*favoris), QStringList{u"marie"_s});
        QCOMPARE(texts(*listeNoire), QStringList{u"paul"_s});
        QVERIFY(requestLine(server->requests[1]).startsWith("GET /softrefresh2.php"));
        QVERIFY(engine().refreshTimer().isActive());
    }

    void mailCountOnAnyReply()
    {
        server->queue(QByteArray("MAILSENDEDOKMYMAILSNUMBER,4,"));
        engine().startRefresh();
        QVERIFY(server->waitForRequests(1));
        QVERIFY(QTest::qWaitFor([&] { return lblMailsNumber->text() == u"4"_s; }));
    }
};

QTEST_MAIN(TestContactEditing)
#include "test_contactediting.moc"
