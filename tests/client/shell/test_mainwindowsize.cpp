#include "client/assets/artwork.h"
#include "client/shell/frmmain.h"

#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

namespace {

QTabWidget *tabs(FrmMain &window)
{
    return window.findChild<QTabWidget *>(u"ssTab"_s);
}

} // namespace

// The main window opens at its design's size, never gets smaller, and gives any room it is given
// to the member lists.
class TestMainWindowSize : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initArtwork(); }

    void listsTakeTheRoom()
    {
        FrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QSize designed = window.size();
        QCOMPARE(window.minimumSize(), designed);
        QVERIFY(window.maximumSize().width() > designed.width());

        tabs(window)->setCurrentIndex(1); // the search page laid out at the design's size too
        QTest::qWait(0);
        tabs(window)->setCurrentIndex(0);
        const QRect favoris = window.lvFavoris()->geometry();
        const QRect noire = window.lvListeNoire()->geometry();
        const QRect recherche = window.lvRecherche()->geometry();

        window.resize(designed + QSize(200, 300));
        QTRY_COMPARE(window.lvFavoris()->width(), favoris.width() + 200);
        QCOMPARE(window.lvFavoris()->height(), favoris.height() + 300); // the favourites take the height
        QCOMPARE(window.lvListeNoire()->size(), noire.size() + QSize(200, 0));
        QCOMPARE(window.lvListeNoire()->y(), noire.y() + 300); // still on the page's bottom edge
        tabs(window)->setCurrentIndex(1);
        QTRY_COMPARE(window.lvRecherche()->width(), recherche.width() + 200);
        QVERIFY(window.lvRecherche()->height() > recherche.height());

        // Back to the design: everything where it was.
        tabs(window)->setCurrentIndex(0);
        window.resize(designed - QSize(50, 50)); // refused below the minimum
        QTRY_COMPARE(window.size(), designed);
        QTRY_COMPARE(window.lvFavoris()->geometry(), favoris);
        QCOMPARE(window.lvListeNoire()->geometry(), noire);
        tabs(window)->setCurrentIndex(1);
        QTRY_COMPARE(window.lvRecherche()->geometry(), recherche);
    }
};

QTEST_MAIN(TestMainWindowSize)
#include "test_mainwindowsize.moc"
