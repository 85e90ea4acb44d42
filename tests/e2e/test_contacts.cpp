// Two members, each with his own client on his own loopback address, against the real community
// server: adding, seeing each other come and go, moving and removing.
#include "client/contacts/contacteditor.h"
#include "client/server/requestengine.h"
#include "client/shell/client.h"
#include "client/shell/configfile.h"
#include "client/shell/contactrow.h"
#include "client/shell/frmlogin.h"
#include "client/shell/frmmain.h"
#include "client/shell/rowselection.h"
#include "tests/support/communityserver.h"
#include "tests/support/recordingplatform.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// One member at his desk: a client installed as a new user installs it (jaserelle.ini naming the
// community server, sound on), bound to its own loopback address, the desktop replaced by recorders.
struct Member
{
    QTemporaryDir dir;
    RecordingPlatform desk;
    std::unique_ptr<Client> client;

    Member(const QString &host, const QString &address)
    {
        QFile ini(dir.filePath(u"jaserelle.ini"_s));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(formatConfig(host, true));
        ini.close();
        ClientState state;
        state.appDir = dir.path();
        state.localAddress = QHostAddress(address);
        client = std::make_unique<Client>(state, desk.platform());
    }

    FrmMain &main() { return client->frmMain(); }
    RequestEngine &engine() { return client->engine(); }
    QTreeWidget &lvFavoris() { return *main().lvFavoris(); }
    QTreeWidget &lvListeNoire() { return *main().lvListeNoire(); }

    // Types pseudo and password, connects, and waits for the first refresh to be handled.
    bool logIn(const QString &pseudo)
    {
        if (!client->start())
            return false;
        FrmLogin &login = client->frmLogin();
        login.findChild<QLineEdit *>(u"txtLogin"_s)->setText(pseudo);
        login.findChild<QLineEdit *>(u"txtPassword"_s)->setText(u"demo"_s);
        login.findChild<QPushButton *>(u"cmdOk"_s)->click();
        return QTest::qWaitFor(
            [&] {
                return main().isVisible() && engine().requestKind() == RequestKind::Refresh &&
                       engine().state() == RequestEngine::State::Idle;
            },
            10000);
    }

    QTreeWidgetItem *row(QTreeWidget &list, const QString &pseudo)
    {
        const QList<QTreeWidgetItem *> found = list.findItems(pseudo, Qt::MatchExactly, contactrow::Pseudo);
        return found.isEmpty() ? nullptr : found.last();
    }

    // The refresh of a tick, waited for until its reply has been handled.
    bool refreshed()
    {
        engine().startRefresh();
        return settled();
    }

    bool settled()
    {
        return QTest::qWaitFor([&] { return engine().state() == RequestEngine::State::Idle; }, 10000);
    }

    void menu(const char *entry) { main().findChild<QAction *>(QLatin1StringView(entry))->trigger(); }

    // A right click on the row, then the context-menu entry.
    void command(QTreeWidgetItem *rowClicked, const char *entry)
    {
        main().rowSelection().setSelectedItem(rowClicked);
        menu(entry);
    }

    void addThroughDialog(const QString &pseudo)
    {
        menu("MNU_AjoutFavoris");
        QWidget *dialog = client->contactEditor().dialog(FrmAjoutMembre::Variant::Favori);
        dialog->findChild<QLineEdit *>(u"txtLogin"_s)->setText(pseudo);
        QTest::keyClick(dialog->findChild<QLineEdit *>(u"txtLogin"_s), Qt::Key_Return);
    }
};

} // namespace

class TestContactsEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void twoMembersSeeEachOtherComeAndGo()
    {
        CommunityServer server;
        QVERIFY2(server.start(), server.log().constData());
        Member thomas(server.hostWithPort(), u"127.0.0.2"_s);
        Member emma(server.hostWithPort(), u"127.0.0.3"_s);

        // Thomas logs in and adds Emma, who is not there yet.
        QVERIFY(thomas.logIn(u"thomas"_s));
        QVERIFY(thomas.desk.sound.played.isEmpty()); // the first refresh is silent
        thomas.addThroughDialog(u"emma"_s);
        QVERIFY(QTest::qWaitFor([&] { return thomas.row(thomas.lvFavoris(), u"emma"_s) != nullptr; }, 10000));
        QVERIFY(thomas.settled());
        QTreeWidgetItem *emmaRow = thomas.row(thomas.lvFavoris(), u"emma"_s);
        QVERIFY(!contactrow::isOnline(emmaRow));
        QCOMPARE(emmaRow->text(contactrow::Adresse), QString());
        QCOMPARE(emmaRow->text(contactrow::Sexe), u"F"_s);
        QCOMPARE(emmaRow->text(contactrow::Departement), u"34"_s);
        QVERIFY(thomas.engine().refreshTimer().isActive());

        // Emma logs in and adds Thomas: he is there, black, his address in the hidden column.
        QVERIFY(emma.logIn(u"emma"_s));
        emma.addThroughDialog(u"thomas"_s);
        QVERIFY(QTest::qWaitFor([&] { return emma.row(emma.lvFavoris(), u"thomas"_s) != nullptr; }, 10000));
        QVERIFY(emma.settled());
        QTreeWidgetItem *thomasRow = emma.row(emma.lvFavoris(), u"thomas"_s);
        QVERIFY(contactrow::isOnline(thomasRow));
        QCOMPARE(thomasRow->foreground(contactrow::Pseudo).color(), contactrow::onlineColour());
        QCOMPARE(thomasRow->text(contactrow::Adresse), u"127.0.0.2"_s);

        // Thomas's next refresh shows Emma arriving.
        QVERIFY(thomas.refreshed());
        QVERIFY(contactrow::isOnline(emmaRow));
        QCOMPARE(emmaRow->text(contactrow::Adresse), u"127.0.0.3"_s);
        QCOMPARE(thomas.lvFavoris().currentItem(), emmaRow);
        QCOMPARE(thomas.desk.sound.played, QStringList{u"sons/comein.wav"_s});

        // Emma leaves; at Thomas's next refresh her row greys and he hears her go.
        emma.engine().start(RequestKind::Logoff);
        QVERIFY(emma.settled());
        QVERIFY(thomas.refreshed());
        QVERIFY(!contactrow::isOnline(emmaRow));
        QCOMPARE(emmaRow->text(contactrow::Adresse), QString());
        QCOMPARE(thomas.desk.sound.played.last(), u"sons/goout.wav"_s);

        // Thomas moves her to his black list: one add, and the refresh shows her there.
        thomas.command(emmaRow, "MNU_FavorisToListeNoire");
        QVERIFY(
            QTest::qWaitFor([&] { return thomas.row(thomas.lvListeNoire(), u"emma"_s) != nullptr; }, 10000));
        QVERIFY(thomas.settled());
        QVERIFY(thomas.row(thomas.lvFavoris(), u"emma"_s)); // a refresh never takes a row away

        // ... and then removes her from it.
        thomas.command(thomas.row(thomas.lvListeNoire(), u"emma"_s), "MNU_RemoveFromListeNoire");
        QVERIFY(
            QTest::qWaitFor([&] { return thomas.row(thomas.lvListeNoire(), u"emma"_s) == nullptr; }, 10000));
        QVERIFY(thomas.settled());
        QVERIFY(thomas.engine().refreshTimer().isActive());
    }
};

QTEST_MAIN(TestContactsEndToEnd)
#include "test_contacts.moc"
