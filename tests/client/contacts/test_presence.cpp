#include "client/assets/artwork.h"
#include "client/contacts/contactface.h"
#include "client/contacts/mailcount.h"
#include "client/contacts/mailindicator.h"
#include "client/contacts/presenceapply.h"
#include "client/contacts/presencehandler.h"
#include "client/contacts/refreshreply.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "tests/support/recordingplatform.h"

#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <cmath>
#include <memory>

using namespace jaserelle::client;

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

// How far apart two colours read, from 1 (the same) to 21 (black on white).
qreal contrastRatio(const QColor &a, const QColor &b)
{
    auto luminance = [](const QColor &c) {
        auto channel = [](qreal v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const qreal la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

// The refresh reply read, then applied to real list views.
class TestPresence : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTreeWidget> favoris, listeNoire;
    std::unique_ptr<QLabel> lblMailsNumber, pctbMail;
    RecordingSoundPlayer sound;
    std::unique_ptr<contactface::Faces> faces;
    ClientState state;

    // Applies a reply as the pipeline does; returns what the handlers after this one see.
    QString refresh(const QString &reply)
    {
        QString text = reply;
        handlePresenceReply(text, {favoris.get(), listeNoire.get(), lblMailsNumber.get(), pctbMail.get()},
                            state, sound, *faces);
        state.firstRefresh = false; // as the engine does after every reply
        return text;
    }

    // Records flattened to "pseudo,address,sexe,age,departement,colour", the records of a list
    // separated by spaces.
    static QString flatten(const QList<ContactRecord> &records)
    {
        QStringList out;
        for (const ContactRecord &r : records)
            out.append(QStringList{r.pseudo.toString(), r.address.toString(), r.sexe.toString(),
                                   r.age.toString(), r.departement.toString(), r.colourFlag.toString()}
                           .join(u','));
        return out.join(u' ');
    }

private slots:
    // Complete replies are proven below, as the lists show them.
    void parse_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("favoris");
        QTest::addColumn<QString>("listeNoire");
        QTest::addColumn<QString>("blackListedBy");
        QTest::addColumn<RefreshParseError>("error");
        QTest::addColumn<QString>("rest");
        const auto row = [&](const char *name, const QString &body, const QString &fav, const QString &noire,
                             const QString &by, RefreshParseError error, const QString &rest) {
            QTest::newRow(name) << head + body << fav << noire << by << error << rest;
        };
        using E = RefreshParseError;
        const QString jean = u"jean,1.2.3.4,H,25,75,1"_s, paul = u"paul,0.0.0.0,H,40,6,1"_s;
        row("black-listed by two members",
            u"HERESTARTFAVORIS|"_s + jean +
                u"|NOLISTENOIREDEFINED|IAMINLISTENOIREOF|jean,paul,MYMAILSNUMBER,1,"_s,
            jean, {}, u"jean paul"_s, E::None, u"MYMAILSNUMBER,1,"_s);
        row("duplicates kept in order",
            u"HERESTARTFAVORIS|"_s + jean +
                u"|jean,0.0.0.0,H,26,7,1|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|x"_s,
            jean + u" jean,0.0.0.0,H,26,7,1"_s, {}, {}, E::None, u"x"_s);
        row("a marker followed at once by the next",
            u"HERESTARTFAVORIS|HERESTARTLISTENOIRE|"_s + paul + u"|IAMINNOONELISTENOIRE|x"_s, {}, paul, {},
            E::None, u"x"_s);
        // Broken replies: what came before the break is kept, nothing after it.
        row("record short of fields",
            u"HERESTARTFAVORIS|"_s + jean + u"|marie,10.0.0.3,F|HERESTARTLISTENOIRE|"_s + paul + u"|"_s, jean,
            {}, {}, E::ShortRecord, u"marie,10.0.0.3,F|HERESTARTLISTENOIRE|"_s + paul + u"|"_s);
        row("last record without its bar", u"HERESTARTFAVORIS|"_s + jean + u"|marie,0.0.0.0,F,31,13,0"_s,
            jean, {}, {}, E::UnterminatedSection, u"marie,0.0.0.0,F,31,13,0"_s);
        row("no favourites marker", u"MYMAILSNUMBER,2,"_s, {}, {}, {}, E::MissingFavorisMarker,
            head + u"MYMAILSNUMBER,2,"_s);
        row("no black-list marker", u"NOFAVORISDEFINED|IAMINNOONELISTENOIRE|x"_s, {}, {}, {},
            E::MissingListeNoireMarker, u"IAMINNOONELISTENOIRE|x"_s);
        row("black-listed-by without the mail count",
            u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINLISTENOIREOF|jean,paul"_s, {}, {}, u"jean"_s,
            E::UnterminatedBlackListedBy, u"paul"_s);
        row("black-listed-by running into a section",
            u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINLISTENOIREOF|jean,IAMINNOONELISTENOIRE|x,"_s, {}, {},
            u"jean"_s, E::UnterminatedBlackListedBy, u"IAMINNOONELISTENOIRE|x,"_s);
        row("no third section at all", u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|"_s, {}, {}, {},
            E::MissingBlackListedByMarker, {});
    }
    // The records read the reply's own text: they stay whole once the caller's string is reused.
    void parse()
    {
        QFETCH(QString, reply);
        QString own(reply.constData(), reply.size()); // the caller's only copy, overwritten once read
        const RefreshReply parsed = parseRefreshReply(own);
        own.fill(u'x');
        QTEST(flatten(parsed.favoris), "favoris");
        QTEST(flatten(parsed.listeNoire), "listeNoire");
        QTEST(parsed.blackListedBy.join(u' '), "blackListedBy");
        QTEST(parsed.error, "error");
        QTEST(parsed.rest, "rest");
    }

    void mailCount() // -1: nothing to show
    {
        const std::pair<QString, int> rows[] = {
            {u"MYMAILSNUMBER,x,"_s, 0},
            {u"MYMAILSNUMBER,12abc,"_s, 12},
            {u"HTTP/1.1 200 OK\r\n\r\nMAILSENDEDOKMYMAILSNUMBER,2,"_s, 2},
            {u"MYMAILSNUMBER,5"_s, -1}, // no closing comma
            {u"MYMAILSNUMBER,99999999999,"_s, -1},
            {u"MAILSENDEDOK"_s, -1},
        };
        for (const auto &[reply, count] : rows)
            QVERIFY2(parseMailCount(reply).value_or(-1) == count, qPrintable(reply));
    }

    void initTestCase()
    {
        initArtwork();
        faces = std::make_unique<contactface::Faces>();
    }

    void init()
    {
        for (auto *list : {&favoris, &listeNoire}) {
            *list = std::make_unique<QTreeWidget>();
            (*list)->setColumnCount(contactrow::ColumnCount);
        }
        lblMailsNumber = std::make_unique<QLabel>(u"0"_s);
        pctbMail = std::make_unique<QLabel>();
        sound.played.clear();
        state = {};
        state.soundEnabled = true;
        state.firstRefresh = true;
    }

    void firstRefreshFillsSilently()
    {
        QCOMPARE(
            refresh(head +
                    u"HERESTARTFAVORIS|jean,10.0.0.2,H,25,75012,1|marie,0.0.0.0,F,31,1,0|"
                    u"HERESTARTLISTENOIRE|paul,10.0.0.9,H,40,13,0|IAMINNOONELISTENOIRE|MYMAILSNUMBER,3,"_s),
            u"3,"_s);
        QCOMPARE(favoris->topLevelItemCount(), 2);
        QCOMPARE(listeNoire->topLevelItemCount(), 1);
        QVERIFY(sound.played.isEmpty() && favoris->selectedItems().isEmpty());

        QTreeWidgetItem *jean = favoris->topLevelItem(0);
        const QStringList columns{jean->text(0), jean->text(1), jean->text(2), jean->text(3), jean->text(4)};
        QCOMPARE(columns, (QStringList{u"jean"_s, u"25"_s, u"75"_s, u"H"_s, u"10.0.0.2"_s}));
        // The address is painted in the list's own background: never seen, even in a widened column.
        QCOMPARE(jean->foreground(contactrow::Adresse).color(), favoris->palette().color(QPalette::Base));
        QVERIFY(!jean->icon(contactrow::Pseudo).isNull());

        QTreeWidgetItem *marie = favoris->topLevelItem(1);
        QCOMPARE(marie->text(contactrow::Departement), u"1"_s);
        const QList<int> faceOf{contactface::face(jean), contactface::face(marie),
                                contactface::face(listeNoire->topLevelItem(0))};
        QCOMPARE(faceOf, (QList<int>{1, 4, 3}));

        QCOMPARE(lblMailsNumber->text(), u"3"_s);
        QVERIFY(mailsWaiting(*pctbMail) && !pctbMail->pixmap().isNull());
        QCOMPARE(pctbMail->cursor().shape(), Qt::BitmapCursor);
    }

    // Both arrive in one refresh: the last is selected and heard, once; the black list's sound
    // comes from the executable's folder.
    void arrivalIsSelectedAndHeard()
    {
        const std::tuple<bool, bool, QStringList> rows[] = {
            {true, false, {u"sons/comein.wav"_s}}, {true, true, {u"comein.wav"_s}}, {false, false, {}}};
        for (const auto &[soundEnabled, blackList, played] : rows) {
            init();
            const auto reply = blackList ? listeNoireOnly : favorisOnly;
            state.soundEnabled = soundEnabled;
            refresh(reply(u"anne,0.0.0.0,F,20,33,1|jean,0.0.0.0,H,25,75,1|"_s));
            refresh(reply(u"anne,10.0.0.1,F,20,33,1|jean,10.0.0.2,H,25,75,1|"_s));
            QCOMPARE(sound.played, played);
            QCOMPARE((blackList ? listeNoire : favoris)->topLevelItem(1)->isSelected(), soundEnabled);
        }
    }

    // The user is on anne with the keyboard, the pointer over the list scrolled to its end: a
    // member arriving at the top is marked, and neither the current row nor the view moves.
    void arrivalLeavesCurrentRowAndScrollAlone()
    {
        state.soundEnabled = true;
        QString offline, online;
        for (int i = 0; i < 200; ++i) {
            offline += u"m%1,0.0.0.0,F,20,33,1|"_s.arg(i);
            online += u"m%1,%2,F,20,33,1|"_s.arg(i).arg(i == 0 ? u"10.0.0.1"_s : u"0.0.0.0"_s);
        }
        favoris->resize(200, 150);
        favoris->show();
        QVERIFY(QTest::qWaitForWindowExposed(favoris.get()));
        refresh(favorisOnly(offline));
        QTreeWidgetItem *last = favoris->topLevelItem(199);
        favoris->setCurrentItem(last);
        favoris->scrollToBottom();
        const int scrolled = favoris->verticalScrollBar()->value();
        QVERIFY(scrolled > 0);
        QTest::mouseMove(favoris->viewport(), QPoint(20, 20));
        QVERIFY(QTest::qWaitFor([&] { return favoris->viewport()->underMouse(); }));

        refresh(favorisOnly(online));
        QCOMPARE(sound.played, QStringList{u"sons/comein.wav"_s});
        QVERIFY(favoris->topLevelItem(0)->isSelected());
        QCOMPARE(favoris->currentItem(), last);
        QCOMPARE(favoris->verticalScrollBar()->value(), scrolled);
        favoris->hide();
    }

    // Rows are found by exact text, the last match wins, new rows come silently and none ever goes.
    // A refresh that brings the same records again still rewrites what was changed by hand since.
    void rowsAreMergedNeverRemoved()
    {
        for (int i = 0; i < 2; ++i)
            contactrow::setOnline(new QTreeWidgetItem(favoris.get(), QStringList{u"jean"_s, u"20"_s}), false);
        refresh(favorisOnly(u"jean,0.0.0.0,H,25,75,1|"_s));
        const QString both = favorisOnly(u"jean,0.0.0.0,H,25,75,1|marie,10.0.0.3,F,30,13,1|"_s);
        refresh(both);
        QCOMPARE(favoris->topLevelItemCount(), 3);
        QCOMPARE(favoris->topLevelItem(0)->text(contactrow::Age), u"20"_s);
        QCOMPARE(favoris->topLevelItem(1)->text(contactrow::Age), u"25"_s);
        QVERIFY(sound.played.isEmpty() && favoris->selectedItems().isEmpty());
        delete favoris->takeTopLevelItem(0);
        refresh(both);
        favoris->topLevelItem(1)->setText(contactrow::Age, u"99"_s);
        refresh(both);
        QCOMPARE(favoris->topLevelItem(1)->text(contactrow::Age), u"30"_s);
        delete favoris->takeTopLevelItem(0);
        refresh(both);
        QCOMPARE(favoris->topLevelItem(1)->text(contactrow::Pseudo), u"jean"_s);
        const QString noRecords = head + u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|"_s;
        refresh(noRecords + tail);
        QCOMPARE(favoris->topLevelItemCount(), 2);
        QVERIFY(contactrow::isOnline(favoris->topLevelItem(0)));
        refresh(noRecords + u"IAMINLISTENOIREOF|marie,MYMAILSNUMBER,0,"_s); // unnamed, and grey all the same
        QVERIFY(!contactrow::isOnline(favoris->topLevelItem(0)));
    }

    // Connected but unreachable: grey, silent and unselected at every refresh, until he lets go.
    // Every row with his pseudo goes grey, rows the user added twice by hand too; a member of the
    // same name in another case is someone else.
    void blackListedByStaysGreyUntilReleased()
    {
        for (int i = 0; i < 2; ++i)
            contactrow::setOnline(new QTreeWidgetItem(favoris.get(), QStringList{u"jean"_s}), true);
        contactrow::setOnline(new QTreeWidgetItem(favoris.get(), QStringList{u"Jean"_s}), true);
        const QString favori = u"HERESTARTFAVORIS|jean,10.0.0.2,H,25,75,1|"_s;
        const QString listed = head + favori +
                               u"HERESTARTLISTENOIRE|jean,10.0.0.2,H,25,75,1|"
                               u"IAMINLISTENOIREOF|jean,MYMAILSNUMBER,0,"_s;
        for (int i = 0; i < 3; ++i)
            refresh(listed);
        QList<bool> online;
        for (const auto *list : {&favoris, &listeNoire}) {
            for (int i = 0; i < (*list)->topLevelItemCount(); ++i)
                online.append(contactrow::isOnline((*list)->topLevelItem(i)));
            QCOMPARE((*list)->topLevelItem(0)->text(contactrow::Adresse), QString());
            QVERIFY((*list)->selectedItems().isEmpty());
        }
        QCOMPARE(online, (QList<bool>{false, false, true, false}));
        QVERIFY(sound.played.isEmpty());
        refresh(head + favori + u"NOLISTENOIREDEFINED|"_s + tail);
        QCOMPARE(sound.played, QStringList{u"sons/comein.wav"_s});
        QVERIFY(contactrow::isOnline(favoris->topLevelItem(1)));
    }

    // Offline rows stay readable and dimmer than online ones, on a light or a dark palette.
    void offlineIsDimmerOnAnyPalette()
    {
        QPalette dark(QColor(0x35, 0x35, 0x35));
        dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
        dark.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
        for (const QPalette &palette : {QPalette(Qt::white), dark}) {
            favoris->clear();
            favoris->setPalette(palette);
            refresh(favorisOnly(u"jean,10.0.0.2,H,25,75,1|marie,0.0.0.0,F,31,1,0|"_s));
            auto contrast = [&](QTreeWidgetItem *r) {
                const QVariant brush = r->data(contactrow::Pseudo, Qt::ForegroundRole);
                const QColor shown =
                    brush.isValid() ? brush.value<QBrush>().color() : palette.color(QPalette::Text);
                return contrastRatio(shown, palette.color(QPalette::Base));
            };
            const qreal online = contrast(favoris->topLevelItem(0)),
                        offline = contrast(favoris->topLevelItem(1));
            QVERIFY2(online > offline * 1.5 && offline >= 3.0,
                     qPrintable(u"%1 against %2"_s.arg(online).arg(offline)));
        }
    }

    // A broken reply keeps the whole records before the break, no row out of half a record; a
    // list stops growing at its cap.
    void brokenAndEndlessReplies()
    {
        refresh(favorisOnly(
            u"jean,10.0.0.2,H,25,75,1|marie,10.0.0.3,F|HERESTARTLISTENOIRE|paul,0.0.0.0,H,40,13,0|"_s));
        QCOMPARE(favoris->topLevelItemCount(), 1);
        QVERIFY(contactrow::isOnline(favoris->topLevelItem(0)));
        QCOMPARE(listeNoire->topLevelItemCount(), 0);
        QString records;
        for (int i = 0; i < maxContactRows + 10; ++i)
            records += u"m"_s + QString::number(i) + u",0.0.0.0,H,30,75,1|"_s;
        refresh(favorisOnly(records));
        refresh(favorisOnly(u"m0,1.2.3.4,H,30,75,1|"_s + records.mid(records.indexOf(u'|') + 1)));
        QCOMPARE(favoris->topLevelItemCount(), maxContactRows);
        QVERIFY(contactrow::isOnline(favoris->topLevelItem(1)));
    }
};

QTEST_MAIN(TestPresence)
#include "test_presence.moc"
