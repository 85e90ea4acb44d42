// The demo member against the real community server: a search by pseudo, the profile and photo of
// a member found, then a search by criteria.
#include "client/directory/profileview.h"
#include "client/shell/contactrow.h"
#include "client/shell/rowselection.h"
#include "tests/support/clientfixture.h"
#include "tests/support/communityserver.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

using namespace Qt::StringLiterals;

class TestDirectoryEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void searchThenProfileWithPhoto()
    {
        CommunityServer server;
        QVERIFY2(server.start(), server.log().constData());
        ClientDesk desk(server.hostWithPort(), QHostAddress(u"127.0.0.2"_s));
        QVERIFY(desk.client->start());
        desk.submitLogin(u"demo"_s, u"demo"_s);
        QVERIFY(QTest::qWaitFor(
            [&] { return desk.main().isVisible() && desk.engine().requestKind() == RequestKind::Refresh; },
            10000));
        QVERIFY(desk.waitIdle(10000));

        FrmMain &main = desk.main();
        child<QLineEdit>(&main, u"txtSearchPseudo"_s)->setText(u" LUC"_s);
        QTest::mouseClick(child<QPushButton>(&main, u"cmdSearchPseudo"_s), Qt::LeftButton);
        QTreeWidget *results = main.lvRecherche();
        QVERIFY(QTest::qWaitFor([&] { return results->topLevelItemCount() > 0; }, 10000));
        QVERIFY(desk.waitIdle(10000));
        const QList<QTreeWidgetItem *> found = results->findItems(u"lucie"_s, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0]->text(contactrow::Sexe), u"F"_s);
        QCOMPARE(found[0]->text(contactrow::Departement), u"69"_s);

        main.rowSelection().setSelectedItem(found[0]);
        trigger(&main, u"MNU_ProfilFromRecherche"_s);
        auto *box = child<QLabel>(&main, u"pctBoxProfil"_s);
        QVERIFY(QTest::qWaitFor([&] { return profileview::shown(*box) == profileview::Photo; }, 10000));
        QCOMPARE(child<QGroupBox>(&main, u"frameProfil"_s)->title(), u"lucie"_s);
        // The lines' wording is proven by the parser tests; here only that lucie's own answer arrived.
        QCOMPARE(child<QLabel>(&main, u"lblVille"_s)->text(), u"Ville : Lyon"_s);
        QVERIFY(desk.engine().refreshTimer().isActive());

        child<QComboBox>(&main, u"cmbSexe"_s)->setCurrentText(u"Femme"_s);
        child<QComboBox>(&main, u"cmbRegion"_s)->setCurrentText(u"Rhone-Alpes"_s);
        desk.engine().refreshTimer().stop();
        QTest::mouseClick(child<QPushButton>(&main, u"cmdSearchCriteres"_s), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return desk.engine().refreshTimer().isActive(); }, 10000));
        QVERIFY(!results->findItems(u"lucie"_s, Qt::MatchExactly).isEmpty());
        for (int i = 0; i < results->topLevelItemCount(); ++i)
            QCOMPARE(results->topLevelItem(i)->text(contactrow::Sexe), u"F"_s);
        QVERIFY(desk.desktop.notifier.shown.isEmpty());
    }
};

QTEST_MAIN(TestDirectoryEndToEnd)
#include "test_directory.moc"
