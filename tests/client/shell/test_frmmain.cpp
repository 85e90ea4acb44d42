#include "client/assets/artwork.h"
#include "client/shell/contactrow.h"
#include "client/shell/frmmain.h"
#include "tests/support/clientfixture.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTreeWidget>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

// The real main window: its layout, and the mouse and keyboard rules of its three member lists.
class TestFrmMain : public QObject
{
    Q_OBJECT

    std::unique_ptr<FrmMain> window;

    QTreeWidget *list(const QString &name) { return child<QTreeWidget>(window.get(), name); }
    void showTab(int index) { child<QTabWidget>(window.get(), u"ssTab"_s)->setCurrentIndex(index); }
    static QTreeWidgetItem *addRow(QTreeWidget *list, const QString &pseudo, const QString &age = u"30"_s)
    {
        return new QTreeWidgetItem(list, {pseudo, age, u"75"_s, u"F"_s, QString()});
    }
    static void click(QTreeWidget *list, Qt::MouseButton button, QTreeWidgetItem *row = nullptr)
    {
        // No row: a point of the list below its last row.
        const QPoint at =
            row ? list->visualItemRect(row).center() : QPoint(20, list->viewport()->height() - 5);
        QTest::mouseClick(list->viewport(), button, {}, at);
    }
    static void clickHeader(QTreeWidget *list, int column)
    {
        QHeaderView *header = list->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          {header->sectionViewportPosition(column) + 4, header->height() / 2});
    }
    QStringList openMenus()
    {
        QStringList open;
        for (QMenu *m : window->findChildren<QMenu *>()) {
            if (m->isVisible())
                open.append(m->objectName());
            m->hide();
        }
        return open;
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
        openMenus();
        window->setCloseAllowed(true);
        window.reset();
    }

    // The window opens at its design's size, never gets smaller, and gives any room it is given to
    // the member lists.
    void listsTakeTheRoom()
    {
        const QSize designed = window->size();
        QCOMPARE(window->minimumSize(), designed);
        QVERIFY(window->maximumSize().width() > designed.width());
        showTab(1); // the search page laid out at the design's size too
        QTest::qWait(0);
        showTab(0);
        const QRect favoris = window->lvFavoris()->geometry();
        const QRect noire = window->lvListeNoire()->geometry();
        const QRect recherche = window->lvRecherche()->geometry();

        window->resize(designed + QSize(200, 300));
        QTRY_COMPARE(window->lvFavoris()->width(), favoris.width() + 200);
        QCOMPARE(window->lvFavoris()->height(), favoris.height() + 300); // the favourites take the height
        QCOMPARE(window->lvListeNoire()->size(), noire.size() + QSize(200, 0));
        QCOMPARE(window->lvListeNoire()->y(), noire.y() + 300); // still on the page's bottom edge
        showTab(1);
        QTRY_COMPARE(window->lvRecherche()->width(), recherche.width() + 200);
        QVERIFY(window->lvRecherche()->height() > recherche.height());

        // Back to the design: everything where it was.
        showTab(0);
        window->resize(designed - QSize(50, 50)); // refused below the minimum
        QTRY_COMPARE(window->size(), designed);
        QTRY_COMPARE(window->lvFavoris()->geometry(), favoris);
        QCOMPARE(window->lvListeNoire()->geometry(), noire);
        showTab(1);
        QTRY_COMPARE(window->lvRecherche()->geometry(), recherche);
    }

    void onlyARightClickOnARowSelectsIt_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("listName");
        QTest::addColumn<QString>("menuName");
        QTest::newRow("favourites") << 0 << u"lvFavoris"_s << u"MNU_Favoris"_s;
        QTest::newRow("black list") << 0 << u"lvListeNoire"_s << u"MNU_ListeNoire"_s;
        QTest::newRow("search results") << 1 << u"lvRecherche"_s << u"MNU_Recherche"_s;
    }
    void onlyARightClickOnARowSelectsIt()
    {
        QFETCH(int, tab);
        QFETCH(QString, listName);
        showTab(tab);
        QTreeWidget *lv = list(listName);
        QTreeWidgetItem *alice = addRow(lv, u"alice"_s);
        QTreeWidgetItem *bob = addRow(lv, u"bob"_s);

        click(lv, Qt::RightButton, bob);
        QCOMPARE(window->selectedItem(), bob);
        QTEST(openMenus().join(u' '), "menuName");

        // Empty space: no menu, and the row stays selected.
        click(lv, Qt::RightButton);
        QCOMPARE(openMenus(), QStringList());
        QCOMPARE(window->selectedItem(), bob);

        click(lv, Qt::LeftButton, alice);
        QCOMPARE(lv->currentItem(), alice); // the list's own selection follows the click
        QCOMPARE(window->selectedItem(), bob);
    }

    // A new search empties the list while its menu could still be open: the commands have nothing
    // left to act on, rather than a row that is gone.
    void aRowThatGoesIsNoLongerSelected()
    {
        QTreeWidget *recherche = list(u"lvRecherche"_s);
        showTab(1);
        QTreeWidgetItem *annie = addRow(recherche, u"annie"_s);
        click(recherche, Qt::RightButton, annie);
        delete addRow(recherche, u"paul"_s); // another row going leaves it alone
        QCOMPARE(window->selectedItem(), annie);
        QSignalSpy profil(window.get(), &FrmMain::profilRequested);
        recherche->clear();
        QCOMPARE(window->selectedItem(), nullptr);
        trigger(window.get(), u"MNU_ProfilFromRecherche"_s);
        QCOMPARE(profil.size(), 0);
    }

    // Without a mouse: the menu of the current row, a call to a connected favourite, a search.
    void keyboard()
    {
        QTreeWidget *lv = list(u"lvFavoris"_s);
        QTreeWidgetItem *alice = addRow(lv, u"alice"_s);
        QTreeWidgetItem *bob = addRow(lv, u"bob"_s);
        contactrow::setOnline(bob, true);
        lv->setCurrentItem(alice);
        QMenu *menu = child<QMenu>(window.get(), u"MNU_Favoris"_s);
        for (const auto &[key, modifiers] :
             {std::pair(Qt::Key_Menu, Qt::NoModifier), std::pair(Qt::Key_F10, Qt::ShiftModifier)}) {
            QTest::keyClick(lv, key, modifiers);
            QCOMPARE(window->selectedItem(), alice);
            QVERIFY(menu->isVisible());
            QVERIFY(lv->viewport()->mapToGlobal(lv->visualItemRect(alice).bottomRight()).y() + 2 >=
                    menu->y());
            openMenus();
        }

        QSignalSpy call(window.get(), &FrmMain::callRequested);
        QTest::keyClick(lv, Qt::Key_Return); // alice is offline
        lv->setCurrentItem(bob);
        QTest::keyClick(lv, Qt::Key_Return);
        QCOMPARE(call.size(), 1);
        QCOMPARE(call[0][0].value<QTreeWidgetItem *>(), bob);

        QSignalSpy search(window.get(), &FrmMain::searchPseudoRequested);
        QTest::keyClick(child<QLineEdit>(window.get(), u"txtSearchPseudo"_s), Qt::Key_Return);
        QCOMPARE(search.size(), 1);
    }

    void columnsSnapBackOnEveryPress()
    {
        QTreeWidget *lv = list(u"lvFavoris"_s);
        QHeaderView *header = lv->header();
        const auto widths = [header] {
            QList<int> w;
            for (int column = 0; column < 5; ++column)
                w.append(header->sectionSize(column));
            return w;
        };
        // Every header reads in full and the last column stays clear of the vertical scroll bar.
        const QList<int> design = widths();
        for (int column = 0; column < 4; ++column)
            QVERIFY(design[column] > header->fontMetrics().horizontalAdvance(lv->headerItem()->text(column)));
        QVERIFY(design[0] + design[1] + design[2] + design[3] <=
                lv->width() - 2 * lv->frameWidth() - lv->verticalScrollBar()->sizeHint().width());
        QCOMPARE(design[4], 0);
        for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
            header->resizeSection(4, 70); // the address column dragged open
            header->resizeSection(0, 40);
            click(lv, button);
            QCOMPARE(widths(), design);
        }
    }

    void headerClicksFlipTheTextOrder()
    {
        QTreeWidget *favoris = list(u"lvFavoris"_s);
        addRow(favoris, u"10"_s, u"9"_s);
        addRow(favoris, u"9"_s, u"25"_s);
        addRow(favoris, u"2"_s, u"100"_s);
        clickHeader(favoris, 0); // unsorted counts as ascending: the first click sorts descending
        QCOMPARE(pseudos(favoris), u"9 2 10"_s);
        clickHeader(favoris, 0);
        QCOMPARE(pseudos(favoris), u"10 2 9"_s); // text order: "9" after "10"
        // Another column flips the direction again: descending ages, compared as text.
        clickHeader(favoris, 1);
        QCOMPARE(pseudos(favoris), u"10 9 2"_s);
        clickHeader(favoris, 1);
        QCOMPARE(pseudos(favoris), u"2 9 10"_s);
        addRow(favoris, u"late"_s, u"3"_s); // a row added later takes its place in that order
        QCOMPARE(pseudos(favoris), u"2 9 late 10"_s);
    }
};

QTEST_MAIN(TestFrmMain)
#include "test_frmmain.moc"
