#include "client/assets/artwork.h"
#include "client/shell/frmmain.h"

#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

// The mouse rules of the three member lists, on the real main window.
class TestMemberLists : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FrmMain> window;

    QTreeWidget *list(const QString &name) { return window->findChild<QTreeWidget *>(name); }
    QMenu *menu(const QString &name) { return window->findChild<QMenu *>(name); }

    static QTreeWidgetItem *addRow(QTreeWidget *list, const QString &pseudo,
                                   const QString &age = QStringLiteral("30"))
    {
        return new QTreeWidgetItem(list, {pseudo, age, QStringLiteral("75"), QStringLiteral("F"), QString()});
    }

    static void click(QTreeWidget *list, Qt::MouseButton button, QPoint at)
    {
        QTest::mouseClick(list->viewport(), button, {}, at);
    }

    static QPoint centreOf(QTreeWidget *list, QTreeWidgetItem *row)
    {
        return list->visualItemRect(row).center();
    }

    // A point of the list below its last row.
    static QPoint emptySpace(QTreeWidget *list) { return {20, list->viewport()->height() - 5}; }

    static QStringList pseudos(QTreeWidget *list)
    {
        QStringList texts;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            texts.append(list->topLevelItem(i)->text(0));
        return texts;
    }

    static void clickHeader(QTreeWidget *list, int column)
    {
        QHeaderView *header = list->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          {header->sectionViewportPosition(column) + 4, header->height() / 2});
    }

    void closeMenus()
    {
        for (QMenu *m : window->findChildren<QMenu *>())
            m->hide();
    }

private slots:
    void initTestCase()
    {
        initArtwork();
        qRegisterMetaType<QTreeWidgetItem *>();
    }

    void init()
    {
        window = std::make_unique<FrmMain>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup()
    {
        closeMenus();
        window->setCloseAllowed(true);
        window.reset();
    }

    void rightClickOnRowOpensItsMenu_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QString>("menuName");
        QTest::newRow("favourites") << 0 << "lvFavoris"
                                    << "MNU_Favoris";
        QTest::newRow("black list") << 0 << "lvListeNoire"
                                    << "MNU_ListeNoire";
        QTest::newRow("search results") << 1 << "lvRecherche"
                                        << "MNU_Recherche";
    }

    void rightClickOnRowOpensItsMenu()
    {
        QFETCH(int, tab);
        QFETCH(QString, listName);
        QFETCH(QString, menuName);
        window->findChild<QTabWidget *>(QStringLiteral("ssTab"))->setCurrentIndex(tab);
        QTreeWidget *lv = list(listName);
        addRow(lv, QStringLiteral("alice"));
        QTreeWidgetItem *bob = addRow(lv, QStringLiteral("bob"));

        click(lv, Qt::RightButton, centreOf(lv, bob));
        QCOMPARE(window->selectedItem(), bob);
        QCOMPARE(window->rightButtonDown(), 1);
        QVERIFY(menu(menuName)->isVisible());
        for (const QString &other : QStringList{"MNU_Favoris", "MNU_ListeNoire", "MNU_Recherche"}) {
            if (other != menuName)
                QVERIFY(!menu(other)->isVisible());
        }
        closeMenus();

        // Empty space: the press counts as a right one, but no menu and the row stays selected.
        click(lv, Qt::RightButton, emptySpace(lv));
        QCOMPARE(window->rightButtonDown(), 1);
        QVERIFY(!menu(menuName)->isVisible());
        QCOMPARE(window->selectedItem(), bob);
    }

    void leftClickNeverChangesTheSelectedRow()
    {
        QTreeWidget *favoris = list(QStringLiteral("lvFavoris"));
        QTreeWidgetItem *alice = addRow(favoris, QStringLiteral("alice"));
        QTreeWidgetItem *bob = addRow(favoris, QStringLiteral("bob"));
        QTreeWidget *noire = list(QStringLiteral("lvListeNoire"));
        QTreeWidgetItem *troll = addRow(noire, QStringLiteral("troll"));

        click(favoris, Qt::RightButton, centreOf(favoris, alice));
        closeMenus();
        click(favoris, Qt::LeftButton, centreOf(favoris, bob));
        QCOMPARE(window->rightButtonDown(), 0);
        QCOMPARE(favoris->currentItem(), bob); // the list's own selection follows the click
        click(noire, Qt::LeftButton, centreOf(noire, troll));
        QCOMPARE(window->selectedItem(), alice);
    }

    void contextCommandActsOnTheSelectedRow()
    {
        QTreeWidget *recherche = list(QStringLiteral("lvRecherche"));
        window->findChild<QTabWidget *>(QStringLiteral("ssTab"))->setCurrentIndex(1);
        QTreeWidgetItem *annie = addRow(recherche, QStringLiteral("annie"));
        click(recherche, Qt::RightButton, centreOf(recherche, annie));
        closeMenus();

        QSignalSpy profil(window.get(), &FrmMain::profilRequested);
        QSignalSpy toFavoris(window.get(), &FrmMain::rechercheToFavorisRequested);
        window->findChild<QAction *>(QStringLiteral("MNU_ProfilFromRecherche"))->trigger();
        window->findChild<QAction *>(QStringLiteral("MNU_RechercheToFavoris"))->trigger();
        QCOMPARE(profil.size(), 1);
        QCOMPARE(profil.at(0).at(0).value<QTreeWidgetItem *>(), annie);
        QCOMPARE(toFavoris.size(), 1);

        delete addRow(recherche, QStringLiteral("paul")); // another row going leaves it alone
        QCOMPARE(window->selectedItem(), annie);
        // A new search empties the list while the menu could still be open: the row is gone, and
        // its commands have nothing left to act on.
        recherche->clear();
        QCOMPARE(window->selectedItem(), nullptr);
        window->findChild<QAction *>(QStringLiteral("MNU_ProfilFromRecherche"))->trigger();
        QCOMPARE(profil.size(), 1);

        // A removal deletes the row itself.
        QTreeWidgetItem *zoe = addRow(recherche, QStringLiteral("zoe"));
        click(recherche, Qt::RightButton, centreOf(recherche, zoe));
        QCOMPARE(window->selectedItem(), zoe);
        delete zoe;
        QCOMPARE(window->selectedItem(), nullptr);
    }

    void columnsSnapBackOnEveryPress()
    {
        QTreeWidget *favoris = list(QStringLiteral("lvFavoris"));
        QHeaderView *header = favoris->header();
        const QList<int> design = {header->sectionSize(0), header->sectionSize(1), header->sectionSize(2),
                                   header->sectionSize(3), header->sectionSize(4)};
        QCOMPARE(design, (QList<int>{108, 31, 38, 36, 0}));

        header->resizeSection(4, 70); // the address column dragged open
        header->resizeSection(0, 40);
        click(favoris, Qt::LeftButton, emptySpace(favoris));
        for (int column = 0; column < 5; ++column)
            QCOMPARE(header->sectionSize(column), design.at(column));

        header->resizeSection(4, 70);
        click(favoris, Qt::RightButton, emptySpace(favoris));
        QCOMPARE(header->sectionSize(4), 0);
        QCOMPARE(list(QStringLiteral("lvRecherche"))->header()->sectionSize(0), 102);
    }

    void headerClicksFlipTheTextOrder()
    {
        QTreeWidget *favoris = list(QStringLiteral("lvFavoris"));
        addRow(favoris, QStringLiteral("10"), QStringLiteral("9"));
        addRow(favoris, QStringLiteral("9"), QStringLiteral("25"));
        addRow(favoris, QStringLiteral("2"), QStringLiteral("100"));

        clickHeader(favoris, 0); // unsorted counts as ascending: the first click sorts descending
        QCOMPARE(pseudos(favoris), (QStringList{"9", "2", "10"}));
        clickHeader(favoris, 0);
        QCOMPARE(pseudos(favoris), (QStringList{"10", "2", "9"})); // text order: "9" after "10"

        // Another column flips the direction again: descending ages, compared as text.
        clickHeader(favoris, 1);
        QCOMPARE(pseudos(favoris), (QStringList{"10", "9", "2"}));
        clickHeader(favoris, 1);
        QCOMPARE(pseudos(favoris), (QStringList{"2", "9", "10"}));

        // A row added later takes its place in that order.
        addRow(favoris, QStringLiteral("late"), QStringLiteral("3"));
        QCOMPARE(pseudos(favoris), (QStringList{"2", "9", "late", "10"}));
    }
};

QTEST_MAIN(TestMemberLists)
#include "test_memberlists.moc"
