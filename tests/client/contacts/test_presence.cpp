#include "client/assets/artwork.h"
#include "client/contacts/contactface.h"
#include "client/contacts/mailindicator.h"
#include "client/contacts/presenceapply.h"
#include "client/contacts/presencehandler.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "tests/support/recordingplatform.h"

#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString head = u"HTTP/1.1 200 OK\r\n\r\nREFRESHISOK|"_s;
const QString tail = u"IAMINNOONELISTENOIRE|MYMAILSNUMBER,0,"_s;

QString favorisOnly(const QString &records)
{
    return head + u"HERESTARTFAVORIS|"_s + records + u"NOLISTENOIREDEFINED|"_s + tail;
}

QString listeNoireOnly(const QString &records)
{
    return head + u"NOFAVORISDEFINED|HERESTARTLISTENOIRE|"_s + records + tail;
}

std::unique_ptr<QTreeWidget> makeList()
{
    auto list = std::make_unique<QTreeWidget>();
    list->setColumnCount(contactrow::ColumnCount);
    return list;
}

} // namespace

class TestPresence : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTreeWidget> favoris;
    std::unique_ptr<QTreeWidget> listeNoire;
    std::unique_ptr<QLabel> lblMailsNumber;
    std::unique_ptr<QLabel> pctbMail;
    RecordingSoundPlayer sound;
    std::unique_ptr<contactface::Faces> faces;
    ClientState state;

    void refresh(const QString &reply)
    {
        QString text = reply;
        handlePresenceReply(text, {favoris.get(), listeNoire.get(), lblMailsNumber.get(), pctbMail.get()},
                            state, sound, *faces);
        state.firstRefresh = false; // as the engine does after every reply
    }

    QTreeWidgetItem *row(QTreeWidget &list, int i) { return list.topLevelItem(i); }

private slots:
    void initTestCase()
    {
        initArtwork();
        faces = std::make_unique<contactface::Faces>();
    }

    void init()
    {
        favoris = makeList();
        listeNoire = makeList();
        lblMailsNumber = std::make_unique<QLabel>(u"0"_s);
        pctbMail = std::make_unique<QLabel>();
        sound.played.clear();
        state = {};
        state.soundEnabled = true;
        state.firstRefresh = true;
    }

    void firstRefreshFillsSilently()
    {
        refresh(head +
                u"HERESTARTFAVORIS|jean,10.0.0.2,H,25,75012,1|marie,0.0.0.0,F,31,1,0|"
                u"HERESTARTLISTENOIRE|paul,10.0.0.9,H,40,13,0|IAMINNOONELISTENOIRE|MYMAILSNUMBER,3,"_s);
        QCOMPARE(favoris->topLevelItemCount(), 2);
        QCOMPARE(listeNoire->topLevelItemCount(), 1);
        QVERIFY(sound.played.isEmpty());
        QVERIFY(favoris->selectedItems().isEmpty());

        QTreeWidgetItem *jean = row(*favoris, 0);
        QCOMPARE(jean->text(contactrow::Pseudo), u"jean"_s);
        QCOMPARE(jean->text(contactrow::Age), u"25"_s);
        QCOMPARE(jean->text(contactrow::Departement), u"75"_s);
        QCOMPARE(jean->text(contactrow::Adresse), u"10.0.0.2"_s);
        QVERIFY(contactrow::isOnline(jean));
        QCOMPARE(jean->foreground(contactrow::Pseudo).color(), contactrow::onlineColour());
        // The address is painted in the list's own background: never seen, even in a widened column.
        QCOMPARE(jean->foreground(contactrow::Adresse).color(), favoris->palette().color(QPalette::Base));
        QCOMPARE(contactface::face(jean), 1);
        QVERIFY(!jean->icon(contactrow::Pseudo).isNull());

        QTreeWidgetItem *marie = row(*favoris, 1);
        QVERIFY(!contactrow::isOnline(marie));
        QCOMPARE(marie->text(contactrow::Adresse), QString());
        QCOMPARE(marie->text(contactrow::Departement), u"1"_s);
        QCOMPARE(contactface::face(marie), 4);
        QCOMPARE(contactface::face(row(*listeNoire, 0)), 3);

        QCOMPARE(lblMailsNumber->text(), u"3"_s);
        QVERIFY(mailsWaiting(*pctbMail));
        QCOMPARE(pctbMail->cursor().shape(), Qt::BitmapCursor);
        QVERIFY(!pctbMail->pixmap().isNull());
    }

    void arrivalIsSelectedAndHeard_data()
    {
        QTest::addColumn<bool>("soundEnabled");
        QTest::addColumn<bool>("blackList");
        QTest::addColumn<QString>("expected");
        QTest::newRow("favourite") << true << false << u"sons/comein.wav"_s;
        QTest::newRow("black list, from the executable's folder") << true << true << u"comein.wav"_s;
        QTest::newRow("sound off") << false << false << QString();
    }

    void arrivalIsSelectedAndHeard()
    {
        QFETCH(bool, soundEnabled);
        QFETCH(bool, blackList);
        QFETCH(QString, expected);
        auto reply = [&](const QString &records) {
            return blackList ? listeNoireOnly(records) : favorisOnly(records);
        };
        QTreeWidget &list = blackList ? *listeNoire : *favoris;
        state.soundEnabled = soundEnabled;

        refresh(reply(u"anne,0.0.0.0,F,20,33,1|jean,0.0.0.0,H,25,75,1|"_s));
        refresh(reply(u"anne,0.0.0.0,F,20,33,1|jean,10.0.0.2,H,25,75,1|"_s));

        QTreeWidgetItem *jean = row(list, 1);
        QVERIFY(contactrow::isOnline(jean));
        QCOMPARE(jean->text(contactrow::Adresse), u"10.0.0.2"_s);
        QCOMPARE(sound.played, expected.isEmpty() ? QStringList() : QStringList{expected});
        QCOMPARE(list.currentItem() == jean && jean->isSelected(), soundEnabled);
    }

    void offlineTwiceSoundsOnce()
    {
        refresh(favorisOnly(u"jean,10.0.0.2,H,25,75,1|"_s));
        refresh(favorisOnly(u"jean,0.0.0.0,H,25,75,1|"_s));
        refresh(favorisOnly(u"jean,0.0.0.0,H,25,75,1|"_s));
        QCOMPARE(sound.played, QStringList{u"sons/goout.wav"_s});
        QCOMPARE(row(*favoris, 0)->text(contactrow::Adresse), QString());
        QVERIFY(!contactrow::isOnline(row(*favoris, 0)));
    }

    void newRowLaterIsSilent()
    {
        refresh(favorisOnly(u"jean,0.0.0.0,H,25,75,1|"_s));
        refresh(favorisOnly(u"jean,0.0.0.0,H,25,75,1|marie,10.0.0.3,F,30,13,1|"_s));
        QCOMPARE(favoris->topLevelItemCount(), 2);
        QVERIFY(sound.played.isEmpty());
        QVERIFY(favoris->selectedItems().isEmpty());
    }

    void blackListedByGreysAndComesBack()
    {
        const QString listed = head + u"HERESTARTFAVORIS|jean,10.0.0.2,H,25,75,1|HERESTARTLISTENOIRE|"
                                      u"jean,10.0.0.2,H,25,75,1|IAMINLISTENOIREOF|jean,MYMAILSNUMBER,0,"_s;
        refresh(listed);
        for (QTreeWidget *list : {favoris.get(), listeNoire.get()}) {
            QVERIFY(!contactrow::isOnline(row(*list, 0)));
            QCOMPARE(row(*list, 0)->text(contactrow::Adresse), QString());
            QCOMPARE(row(*list, 0)->foreground(contactrow::Pseudo).color(), contactrow::offlineColour());
        }
        QVERIFY(sound.played.isEmpty());
        // Listed online again: the row was grey, so it is an arrival, and it ends grey again.
        refresh(listed);
        QCOMPARE(sound.played, (QStringList{u"sons/comein.wav"_s, u"comein.wav"_s}));
        QVERIFY(!contactrow::isOnline(row(*favoris, 0)));
    }

    void rowsOutliveTheirRecords()
    {
        refresh(favorisOnly(u"a,0.0.0.0,H,1,1,1|b,1.1.1.1,H,2,2,1|c,0.0.0.0,F,3,3,1|"_s));
        refresh(head + u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|"_s + tail);
        QCOMPARE(favoris->topLevelItemCount(), 3);
        QVERIFY(contactrow::isOnline(row(*favoris, 1)));
        refresh(favorisOnly(u"c,0.0.0.0,F,4,3,1|"_s));
        QCOMPARE(favoris->topLevelItemCount(), 3);
        QCOMPARE(row(*favoris, 2)->text(contactrow::Age), u"4"_s);
    }

    void lastOfDuplicateRowsIsUpdated()
    {
        for (int i = 0; i < 2; ++i) {
            auto *dup = new QTreeWidgetItem(favoris.get(), QStringList{u"jean"_s, u"20"_s});
            contactrow::setOnline(dup, false);
        }
        refresh(favorisOnly(u"jean,0.0.0.0,H,25,75,1|"_s));
        QCOMPARE(favoris->topLevelItemCount(), 2);
        QCOMPARE(row(*favoris, 0)->text(contactrow::Age), u"20"_s);
        QCOMPARE(row(*favoris, 1)->text(contactrow::Age), u"25"_s);
    }

    void brokenReplyKeepsWhatCameBefore()
    {
        refresh(favorisOnly(u"jean,0.0.0.0,H,25,75,1|"_s));
        refresh(head + u"HERESTARTFAVORIS|jean,10.0.0.2,H,25,75,1|marie,10.0.0.3,F|NOLISTENOIREDEFINED|"_s +
                tail);
        QCOMPARE(favoris->topLevelItemCount(), 1); // no row out of half a record
        QVERIFY(contactrow::isOnline(row(*favoris, 0)));
        QCOMPARE(lblMailsNumber->text(), u"0"_s);
    }

    void listsStopGrowingAtTheirCap()
    {
        QString records;
        for (int i = 0; i < maxContactRows + 10; ++i)
            records += u"m"_s + QString::number(i) + u",0.0.0.0,H,30,75,1|"_s;
        refresh(favorisOnly(records));
        refresh(favorisOnly(u"m0,1.2.3.4,H,30,75,1|"_s + records.mid(records.indexOf(u'|') + 1)));
        QCOMPARE(favoris->topLevelItemCount(), maxContactRows);
        QVERIFY(contactrow::isOnline(row(*favoris, 0)));
    }

    void mailCount_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("waiting");
        QTest::newRow("none") << head + u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|"_s + tail << u"0"_s << false;
        QTest::newRow("three") << u"MYMAILSNUMBER,3,"_s << u"3"_s << true;
        QTest::newRow("on another reply")
            << u"HTTP/1.1 200 OK\r\n\r\nMAILSENDEDOKMYMAILSNUMBER,2,"_s << u"2"_s << true;
        QTest::newRow("cut short: unchanged") << u"MYMAILSNUMBER,7"_s << u"5"_s << true;
    }

    void mailCount()
    {
        QFETCH(QString, reply);
        showMailCount(*lblMailsNumber, *pctbMail, 5);
        refresh(reply);
        QTEST(lblMailsNumber->text(), "shown");
        QFETCH(bool, waiting);
        QCOMPARE(mailsWaiting(*pctbMail), waiting);
        QCOMPARE(pctbMail->cursor().shape(), waiting ? Qt::BitmapCursor : Qt::ArrowCursor);
    }

    void handlersAfterSeeOnlyTheRest()
    {
        QString reply =
            head + u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|MYMAILSNUMBER,1,"_s;
        handlePresenceReply(reply, {favoris.get(), listeNoire.get(), lblMailsNumber.get(), pctbMail.get()},
                            state, sound, *faces);
        QCOMPARE(reply, u"1,"_s);
    }
};

QTEST_MAIN(TestPresence)
#include "test_presence.moc"
