#include "client/contacts/contactface.h"
#include "client/contacts/contactitem.h"
#include "client/contacts/presenceapply.h"
#include "client/contacts/refreshreply.h"
#include "client/shell/preferences.h"
#include "tests/support/clientfixture.h"

#include <QHeaderView>

using namespace Qt::StringLiterals;

namespace {

QString favoris(const QString &records)
{
    return u"REFRESHISOK|HERESTARTFAVORIS|"_s + records +
           u"NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|MYMAILSNUMBER,0,"_s;
}

QString record(const QString &pseudo, bool online)
{
    return pseudo + (online ? u",10.0.0.9,H,30,75,1|"_s : u",0.0.0.0,H,30,75,1|"_s);
}

} // namespace

// "Contacts connectés en premier": connected members on top, then by pseudo, as presence changes.
class TestContactOrder : public QObject
{
    Q_OBJECT

private slots:
    void connectedFirstThenByPseudo()
    {
        ClientFixture f;
        QTreeWidget &list = *f.main().lvFavoris();
        QTreeWidget &noire = *f.main().lvListeNoire();
        const contactface::Faces faces;
        RecordingSoundPlayer silence;
        auto refresh = [&](const QString &records) {
            applyRefreshReply(list, noire, parseRefreshReply(favoris(records)), {true, false}, silence,
                              faces);
        };
        refresh(record(u"zoe"_s, true) + record(u"anne"_s, false) + record(u"Bob"_s, true) +
                record(u"marc"_s, false));
        QCOMPARE(pseudos(&list), u"zoe anne Bob marc"_s); // the server's order until asked otherwise

        QAction *option = child<QAction>(&f.main(), u"MNU_ConnectesEnPremier"_s);
        QVERIFY(!option->isChecked());
        option->trigger();
        QCOMPARE(pseudos(&list), u"Bob zoe anne marc"_s);
        QVERIFY(parsePreferences(fileBytes(f.iniPath())).connectedFirst);

        refresh(record(u"zoe"_s, false) + record(u"anne"_s, true) + record(u"Bob"_s, true) +
                record(u"marc"_s, false) + record(u"alain"_s, true));
        QCOMPARE(pseudos(&list), u"alain anne Bob marc zoe"_s);

        // The other way round, the connected still lead.
        list.sortItems(0, Qt::DescendingOrder);
        list.header()->setSortIndicator(0, Qt::DescendingOrder);
        list.sortItems(0, Qt::DescendingOrder);
        QCOMPARE(pseudos(&list), u"Bob anne alain zoe marc"_s);

        // The choice comes back at the next start.
        ClientDesk next(f.server.hostWithPort());
        next.writeIni(fileBytes(f.iniPath()));
        QVERIFY(child<QAction>(&next.main(), u"MNU_ConnectesEnPremier"_s)->isChecked());
        QVERIFY(contactorder::connectedFirst(*next.main().lvFavoris()));
        QVERIFY(contactorder::connectedFirst(*next.main().lvListeNoire()));

        option->trigger();
        QVERIFY(!parsePreferences(fileBytes(f.iniPath())).connectedFirst);
        list.sortItems(0, Qt::AscendingOrder);
        QCOMPARE(pseudos(&list), u"Bob alain anne marc zoe"_s); // the column's own order
    }
};

QTEST_MAIN(TestContactOrder)
#include "test_contactorder.moc"
