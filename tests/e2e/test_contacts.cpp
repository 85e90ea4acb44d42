// Two members, each with his own client on his own loopback address, against the real community
// server: adding, seeing each other come and go, moving and removing.
#include "client/contacts/contacteditor.h"
#include "client/shell/contactrow.h"
#include "client/shell/rowselection.h"
#include "tests/support/clientfixture.h"
#include "tests/support/communityserver.h"

#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

struct Member : ClientDesk
{
    Member(const QString &host, const QString &address) : ClientDesk(host, QHostAddress(address)) {}

    bool logIn(const QString &pseudo) { return logInAndRefresh(pseudo, u"demo"_s); }
    QTreeWidgetItem *row(QTreeWidget *list, const QString &pseudo)
    {
        const QList<QTreeWidgetItem *> found = list->findItems(pseudo, Qt::MatchExactly, contactrow::Pseudo);
        return found.isEmpty() ? nullptr : found.last();
    }
    // Waits until the row is there (or gone) and the requests that follow have been answered.
    bool rowBecomes(QTreeWidget *list, const QString &pseudo, bool present)
    {
        return QTest::qWaitFor([&] { return (row(list, pseudo) != nullptr) == present; }, 10000) &&
               waitIdle(10000);
    }
    bool refreshed() // the refresh of a tick
    {
        engine().startRefresh();
        return waitIdle(10000);
    }
    // A right click on the row, then the context-menu entry.
    void command(QTreeWidgetItem *rowClicked, const QString &entry)
    {
        main().rowSelection().setSelectedItem(rowClicked);
        trigger(&main(), entry);
    }
    void addThroughDialog(const QString &pseudo)
    {
        trigger(&main(), u"MNU_AjoutFavoris"_s);
        auto *box =
            child<QLineEdit>(client->contactEditor().dialog(FrmAjoutMembre::Variant::Favori), u"txtLogin"_s);
        box->setText(pseudo);
        QTest::keyClick(box, Qt::Key_Return);
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
        QVERIFY(thomas.desktop.sound.played.isEmpty()); // the first refresh is silent
        thomas.addThroughDialog(u"emma"_s);
        QVERIFY(thomas.rowBecomes(thomas.main().lvFavoris(), u"emma"_s, true));
        QTreeWidgetItem *emmaRow = thomas.row(thomas.main().lvFavoris(), u"emma"_s);
        QVERIFY(!contactrow::isOnline(emmaRow));
        QCOMPARE(emmaRow->text(contactrow::Adresse), QString());
        QCOMPARE(emmaRow->text(contactrow::Sexe), u"F"_s);
        QCOMPARE(emmaRow->text(contactrow::Departement), u"34"_s);
        QVERIFY(thomas.engine().refreshTimer().isActive());

        // Emma logs in and adds Thomas: he is there, black, his address in the hidden column.
        QVERIFY(emma.logIn(u"emma"_s));
        emma.addThroughDialog(u"thomas"_s);
        QVERIFY(emma.rowBecomes(emma.main().lvFavoris(), u"thomas"_s, true));
        QTreeWidgetItem *thomasRow = emma.row(emma.main().lvFavoris(), u"thomas"_s);
        QVERIFY(contactrow::isOnline(thomasRow));
        QCOMPARE(thomasRow->text(contactrow::Adresse), u"127.0.0.2"_s);

        // Thomas's next refresh shows Emma arriving.
        QVERIFY(thomas.refreshed());
        QVERIFY(contactrow::isOnline(emmaRow));
        QCOMPARE(emmaRow->text(contactrow::Adresse), u"127.0.0.3"_s);
        QCOMPARE(thomas.main().lvFavoris()->currentItem(), emmaRow);
        QCOMPARE(thomas.desktop.sound.played, QStringList{u"sons/comein.wav"_s});

        // Emma leaves; at Thomas's next refresh her row greys and he hears her go.
        emma.engine().start(RequestKind::Logoff);
        QVERIFY(emma.waitIdle(10000));
        QVERIFY(thomas.refreshed());
        QVERIFY(!contactrow::isOnline(emmaRow));
        QCOMPARE(emmaRow->text(contactrow::Adresse), QString());
        QCOMPARE(thomas.desktop.sound.played.last(), u"sons/goout.wav"_s);

        // Thomas moves her to his black list: one add, and the refresh shows her there.
        thomas.command(emmaRow, u"MNU_FavorisToListeNoire"_s);
        QVERIFY(thomas.rowBecomes(thomas.main().lvListeNoire(), u"emma"_s, true));
        QVERIFY(thomas.row(thomas.main().lvFavoris(), u"emma"_s)); // a refresh never takes a row away

        // ... and then removes her from it.
        thomas.command(thomas.row(thomas.main().lvListeNoire(), u"emma"_s), u"MNU_RemoveFromListeNoire"_s);
        QVERIFY(thomas.rowBecomes(thomas.main().lvListeNoire(), u"emma"_s, false));
        QVERIFY(thomas.engine().refreshTimer().isActive());
    }
};

QTEST_MAIN(TestContactsEndToEnd)
#include "test_contacts.moc"
