#include "client/assets/artwork.h"
#include "client/contacts/contacteditnotices.h"
#include "client/contacts/contacteditor.h"
#include "client/contacts/contactface.h"
#include "client/contacts/contactitem.h"
#include "client/contacts/mailcount.h"
#include "client/contacts/mailindicator.h"
#include "client/contacts/presenceapply.h"
#include "client/contacts/presencehandler.h"
#include "client/contacts/refreshreply.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "client/shell/preferences.h"
#include "tests/support/clientfixture.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>

using namespace Qt::StringLiterals;

const QString head = u"HTTP/1.1 200 OK\r\n\r\nREFRESHISOK|"_s;
const QString tail = u"IAMINNOONELISTENOIRE|MYMAILSNUMBER,0,"_s;
static QString favorisOnly(const QString &records)
{
    return head + u"HERESTARTFAVORIS|"_s + records + u"NOLISTENOIREDEFINED|"_s + tail;
}
static QString listeNoireOnly(const QString &records)
{
    return head + u"NOFAVORISDEFINED|HERESTARTLISTENOIRE|"_s + records + tail;
}

// A client logged in as "moi" whose lists hold jean and marie, paul, and zoe; nothing sent yet.
struct Editing : ClientFixture
{
    Editing()
    {
        presetSession();
        for (const auto &[list, pseudo] : {std::pair{main().lvFavoris(), u"jean"_s},
                                           {main().lvFavoris(), u"marie"_s},
                                           {main().lvListeNoire(), u"paul"_s},
                                           {main().lvRecherche(), u"zoe"_s}})
            new QTreeWidgetItem(list, QStringList{pseudo});
    }
};

// The refresh reply read and applied to real list views; the lists edited in the real main window.
class TestContacts : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTreeWidget> favoris, listeNoire;
    std::unique_ptr<QLabel> lblMailsNumber, pctbMail;
    RecordingSoundPlayer sound;
    std::unique_ptr<contactface::Faces> faces;
    ClientState state;

    // As the pipeline does; returns what the handlers after this one see.
    QString refresh(const QString &reply)
    {
        QString text = reply;
        handlePresenceReply(text, {favoris.get(), listeNoire.get(), lblMailsNumber.get(), pctbMail.get()},
                            state, sound, *faces);
        state.firstRefresh = false; // as the engine does after every reply
        return text;
    }

    // Records as "pseudo,address,sexe,age,departement,colour", separated by spaces.
    static QString flatten(const QList<ContactRecord> &records)
    {
        QStringList out;
        for (const ContactRecord &r : records)
            out.append(
                u"%1,%2,%3,%4,%5,%6"_s.arg(r.pseudo, r.address, r.sexe, r.age, r.departement, r.colourFlag));
        return out.join(u' ');
    }

private slots:
    // Broken replies keep what came before the break, nothing after it. The records read the
    // reply's own text: they stay whole once the caller's string is reused.
    void parse()
    {
        using E = RefreshParseError;
        const QString jean = u"jean,1.2.3.4,H,25,75,1"_s, paul = u"paul,0.0.0.0,H,40,6,1"_s;
        const QString fav = u"HERESTARTFAVORIS|"_s, none = u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|"_s;
        // After the head; "favourites / black list / black-listed by / rest" as read.
        const std::tuple<QString, QString, E> rows[] = {
            {fav + jean + u"|NOLISTENOIREDEFINED|IAMINLISTENOIREOF|jean,paul,MYMAILSNUMBER,1,"_s,
             jean + u" /  / jean paul / MYMAILSNUMBER,1,"_s, E::None},
            {fav + jean + u"|jean,0.0.0.0,H,26,7,1|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|x"_s,
             jean + u" jean,0.0.0.0,H,26,7,1 /  /  / x"_s, E::None},
            {fav + u"HERESTARTLISTENOIRE|"_s + paul + u"|IAMINNOONELISTENOIRE|x"_s,
             u" / "_s + paul + u" /  / x"_s, E::None},
            {fav + jean + u"|marie,10.0.0.3,F|HERESTARTLISTENOIRE|"_s + paul + u"|"_s,
             jean + u" /  /  / marie,10.0.0.3,F|HERESTARTLISTENOIRE|"_s + paul + u"|"_s, E::ShortRecord},
            {fav + jean + u"|marie,0.0.0.0,F,31,13,0"_s, jean + u" /  /  / marie,0.0.0.0,F,31,13,0"_s,
             E::UnterminatedSection},
            {u"MYMAILSNUMBER,2,"_s, u" /  /  / "_s + head + u"MYMAILSNUMBER,2,"_s, E::MissingFavorisMarker},
            {u"NOFAVORISDEFINED|IAMINNOONELISTENOIRE|x"_s, u" /  /  / IAMINNOONELISTENOIRE|x"_s,
             E::MissingListeNoireMarker},
            {none + u"IAMINLISTENOIREOF|jean,paul"_s, u" /  / jean / paul"_s, E::UnterminatedBlackListedBy},
            {none + u"IAMINLISTENOIREOF|jean,IAMINNOONELISTENOIRE|x,"_s,
             u" /  / jean / IAMINNOONELISTENOIRE|x,"_s, E::UnterminatedBlackListedBy},
            {none, u" /  /  / "_s, E::MissingBlackListedByMarker},
        };
        for (const auto &[body, expected, error] : rows) {
            QString own = head + body; // the caller's only copy, overwritten once read
            const RefreshReply parsed = parseRefreshReply(own);
            own.fill(u'x');
            QCOMPARE(QStringList({flatten(parsed.favoris), flatten(parsed.listeNoire),
                                  parsed.blackListedBy.join(u' '), parsed.rest})
                         .join(u" / "),
                     expected);
            QCOMPARE(parsed.error, error);
        }
        // The mail count; -1: nothing to show (no closing comma, too large, none).
        const std::pair<QString, int> counts[] = {
            {u"MYMAILSNUMBER,x,"_s, 0},
            {u"MYMAILSNUMBER,12abc,"_s, 12},
            {u"HTTP/1.1 200 OK\r\n\r\nMAILSENDEDOKMYMAILSNUMBER,2,"_s, 2},
            {u"MYMAILSNUMBER,5"_s, -1},
            {u"MYMAILSNUMBER,99999999999,"_s, -1},
            {u"MAILSENDEDOK"_s, -1}};
        for (const auto &[reply, count] : counts)
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
        state.soundEnabled = state.firstRefresh = true;
    }

    void firstRefreshFillsSilently()
    {
        QCOMPARE(
            refresh(head +
                    u"HERESTARTFAVORIS|jean,10.0.0.2,H,25,75012,1|marie,0.0.0.0,F,31,1,0|"
                    u"HERESTARTLISTENOIRE|paul,10.0.0.9,H,40,13,0|IAMINNOONELISTENOIRE|MYMAILSNUMBER,3,"_s),
            u"3,"_s);
        QVERIFY(favoris->topLevelItemCount() == 2 && listeNoire->topLevelItemCount() == 1);
        QVERIFY(sound.played.isEmpty() && favoris->selectedItems().isEmpty());
        QTreeWidgetItem *jean = favoris->topLevelItem(0), *marie = favoris->topLevelItem(1);
        QCOMPARE((QStringList{jean->text(0), jean->text(1), jean->text(2), jean->text(3), jean->text(4),
                              marie->text(contactrow::Departement)}),
                 (QStringList{u"jean"_s, u"25"_s, u"75"_s, u"H"_s, u"10.0.0.2"_s, u"1"_s}));
        // The address is painted in the list's own background: never seen, even in a widened column.
        QCOMPARE(jean->foreground(contactrow::Adresse).color(), favoris->palette().color(QPalette::Base));
        QCOMPARE((QList<int>{contactface::face(jean), contactface::face(marie),
                             contactface::face(listeNoire->topLevelItem(0))}),
                 (QList<int>{1, 4, 3}));
        QVERIFY(lblMailsNumber->text() == u"3"_s && mailsWaiting(*pctbMail) &&
                !jean->icon(contactrow::Pseudo).isNull());
    }

    // Both arrive at once: the last is selected and heard, once (the black list's sound is in the
    // executable's folder).
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

    // The keyboard on the last row, the pointer over the list scrolled to its end: an arrival at the
    // top is marked, and neither the current row nor the view moves.
    void arrivalLeavesCurrentRowAndScrollAlone()
    {
        QString offline;
        for (int i = 0; i < 200; ++i)
            offline += u"m%1,0.0.0.0,F,20,33,1|"_s.arg(i);
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

        refresh(favorisOnly(u"m0,10.0.0.1,F,20,33,1|"_s + offline.mid(offline.indexOf(u'|') + 1)));
        QCOMPARE(sound.played, QStringList{u"sons/comein.wav"_s});
        QVERIFY(favoris->topLevelItem(0)->isSelected() && favoris->currentItem() == last);
        QCOMPARE(favoris->verticalScrollBar()->value(), scrolled);
    }

    // Rows are found by exact text, the last match wins, new rows come silently and none ever goes;
    // the same records again still rewrite what was changed by hand since.
    void rowsAreMergedNeverRemoved()
    {
        for (int i = 0; i < 2; ++i)
            contactrow::setOnline(new QTreeWidgetItem(favoris.get(), QStringList{u"jean"_s, u"20"_s}), false);
        refresh(favorisOnly(u"jean,0.0.0.0,H,25,75,1|"_s));
        const QString both = favorisOnly(u"jean,0.0.0.0,H,25,75,1|marie,10.0.0.3,F,30,13,1|"_s);
        refresh(both);
        const auto age = [&](int row) { return favoris->topLevelItem(row)->text(contactrow::Age); };
        QCOMPARE(favoris->topLevelItemCount(), 3);
        QCOMPARE(age(0) + u' ' + age(1), u"20 25"_s);
        QVERIFY(sound.played.isEmpty() && favoris->selectedItems().isEmpty());
        delete favoris->takeTopLevelItem(0);
        refresh(both);
        favoris->topLevelItem(1)->setText(contactrow::Age, u"99"_s);
        refresh(both);
        QCOMPARE(age(1), u"30"_s);
        delete favoris->takeTopLevelItem(0);
        refresh(both);
        QCOMPARE(favoris->topLevelItem(1)->text(contactrow::Pseudo), u"jean"_s);
        const QString noRecords = head + u"NOFAVORISDEFINED|NOLISTENOIREDEFINED|"_s;
        refresh(noRecords + tail);
        QVERIFY(favoris->topLevelItemCount() == 2 && contactrow::isOnline(favoris->topLevelItem(0)));
        refresh(noRecords + u"IAMINLISTENOIREOF|marie,MYMAILSNUMBER,0,"_s); // unnamed, and grey all the same
        QVERIFY(!contactrow::isOnline(favoris->topLevelItem(0)));
    }

    // Connected but unreachable: every row of his pseudo grey, silent and unselected at every
    // refresh, until he lets go; the same name in another case is someone else.
    void blackListedByStaysGreyUntilReleased()
    {
        for (const char16_t *pseudo : {u"jean", u"jean", u"Jean"})
            contactrow::setOnline(new QTreeWidgetItem(favoris.get(), QStringList{QString::fromUtf16(pseudo)}),
                                  true);
        const QString favori = u"HERESTARTFAVORIS|jean,10.0.0.2,H,25,75,1|"_s;
        for (int i = 0; i < 3; ++i)
            refresh(head + favori +
                    u"HERESTARTLISTENOIRE|jean,10.0.0.2,H,25,75,1|IAMINLISTENOIREOF|jean,MYMAILSNUMBER,0,"_s);
        QList<bool> online;
        for (QTreeWidget *list : {favoris.get(), listeNoire.get()}) {
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                online.append(contactrow::isOnline(list->topLevelItem(i)));
            QVERIFY(list->topLevelItem(0)->text(contactrow::Adresse).isEmpty() &&
                    list->selectedItems().isEmpty() && sound.played.isEmpty());
        }
        QCOMPARE(online, (QList<bool>{false, false, true, false}));
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
            QList<qreal> gap; // how far each row's text stands from the background, in lightness
            for (int row : {0, 1}) {
                const QBrush brush = favoris->topLevelItem(row)->foreground(contactrow::Pseudo);
                const QColor shown =
                    brush.style() == Qt::NoBrush ? palette.color(QPalette::Text) : brush.color();
                gap.append(qAbs(shown.lightnessF() - palette.color(QPalette::Base).lightnessF()));
            }
            QVERIFY2(gap[0] > gap[1] * 1.25 && gap[1] >= 0.3,
                     qPrintable(u"%1 against %2"_s.arg(gap[0]).arg(gap[1])));
        }
    }

    // No row out of half a record; a list stops growing at its cap.
    void brokenAndEndlessReplies()
    {
        refresh(favorisOnly(
            u"jean,10.0.0.2,H,25,75,1|marie,10.0.0.3,F|HERESTARTLISTENOIRE|paul,0.0.0.0,H,40,13,0|"_s));
        QVERIFY(favoris->topLevelItemCount() == 1 && contactrow::isOnline(favoris->topLevelItem(0)) &&
                listeNoire->topLevelItemCount() == 0);
        QString records;
        for (int i = 0; i < maxContactRows + 10; ++i)
            records += u"m"_s + QString::number(i) + u",0.0.0.0,H,30,75,1|"_s;
        refresh(favorisOnly(records));
        refresh(favorisOnly(u"m0,1.2.3.4,H,30,75,1|"_s + records.mid(records.indexOf(u'|') + 1)));
        QVERIFY(favoris->topLevelItemCount() == maxContactRows &&
                contactrow::isOnline(favoris->topLevelItem(1)));
    }

    // A local typing mistake must not cancel the request in flight; nothing typed sends nothing;
    // an accepted pseudo goes out as it stands.
    void typedPseudos()
    {
        for (const auto &[typed, notice] :
             {std::pair{u"jean dupont"_s, notAlphanumericPseudoNotice()}, {u"Moi"_s, selfAddNotice()}}) {
            Editing f;
            f.server.queue(heldOpen);
            f.engine().startRefresh();
            QVERIFY(f.server.waitForRequests(1));

            trigger(&f.main(), u"MNU_AjoutFavoris"_s);
            QLineEdit *box = child<QLineEdit>(
                f.client->contactEditor().dialog(FrmAjoutMembre::Variant::Favori), u"txtLogin"_s);
            QString shownWhileUp;
            f.desktop.notifier.whileShown = [&](const auto &) { shownWhileUp = box->text(); };
            box->setText(typed);
            QTest::keyClick(box, Qt::Key_Return);
            QCOMPARE(f.desktop.notifier.shown, QList<Notice>{notice});
            QCOMPARE(shownWhileUp, typed); // emptied only once the message is read
            QVERIFY(box->text().isEmpty() && box->isVisible() && f.server.connections == 1);
            f.answerHeld(
                "REFRESHISOK|NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|MYMAILSNUMBER,2,");
            QVERIFY(QTest::qWaitFor([&] { return f.main().lblMailsNumber()->text() == u"2"_s; }) &&
                    f.waitIdle());

            QTest::keyClick(box, Qt::Key_Return);
            QVERIFY(box->isVisible() && f.engine().state() == RequestEngine::State::Idle);
            box->setText(u"Jean42"_s);
            QTest::keyClick(box, Qt::Key_Return);
            QVERIFY(!box->isVisible() && box->text().isEmpty() && f.server.waitForRequests(2));
            QCOMPARE(f.requestLine(1), "GET /ajoutmembre.php?login=moi&pseudo=Jean42&liste=favoris HTTP/1.1");
        }
    }

    // A move is one add, then a refresh once the server confirms, and the member leaves the list
    // he came from; a refusal is told for an add only, and nothing follows it.
    void serverAnswers()
    {
        // The entry, the answer, the path sent, the notice, then the favourites.
        const std::tuple<QString, QByteArray, QByteArray, std::optional<Notice>, QString> rows[] = {
            {u"MNU_FavorisToListeNoire"_s, "LISTESMISESAJOUR",
             "ajoutmembre.php?login=moi&pseudo=jean&liste=listenoire", std::nullopt, u"marie"_s},
            {u"MNU_RechercheToFavoris"_s, "LEMEMBREESTDEJADANSLALISTE",
             "ajoutmembre.php?login=moi&pseudo=zoe&liste=favoris",
             alreadyListedNotice(RequestKind::AddFavoris), u"jean marie"_s},
            {u"MNU_FavorisToListeNoire"_s, "LEMEMBRENEXISTEPAS",
             "ajoutmembre.php?login=moi&pseudo=jean&liste=listenoire",
             memberUnknownNotice(RequestKind::AddListeNoire), u"jean marie"_s},
            {u"MNU_RemoveFromFavoris"_s, "LEMEMBRENEXISTEPAS",
             "removemembre.php?login=moi&pseudo=jean&liste=favoris", std::nullopt, u"jean marie"_s},
        };
        for (const auto &[entry, answer, path, notice, favoris] : rows) {
            Editing f;
            f.server.queue(answer);
            f.server.queue(heldOpen); // the refresh, when one follows
            const bool fromSearch = entry.startsWith(u"MNU_Recherche");
            f.command((fromSearch ? f.main().lvRecherche() : f.main().lvFavoris())->topLevelItem(0), entry);
            const int requests = answer == "LISTESMISESAJOUR" ? 2 : 1;
            QVERIFY(QTest::qWaitFor([&] { return f.engine().refreshTimer().isActive(); }) &&
                    f.server.waitForRequests(requests));
            QCOMPARE(f.requestLine(0), "GET /" + path + " HTTP/1.1");
            QCOMPARE(f.desktop.notifier.shown, notice ? QList<Notice>{*notice} : QList<Notice>());
            QCOMPARE(f.server.connections, requests);
            QVERIFY(requests == 1 ||
                    f.requestLine(1).startsWith("GET /softrefresh2.php?login=moi&password=secret"));
            QCOMPARE(pseudos(f.main().lvFavoris()), favoris);
        }
    }

    // The request and its answer are about the row right-clicked when the command was chosen,
    // whatever is right-clicked before the connection is made, or sorted while the answer comes.
    void aRightClickAfterTheStartChangesNothing()
    {
        Editing f;
        f.main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.main()));
        QTreeWidget *list = f.main().lvFavoris();
        const auto rightClick = [&](QTreeWidgetItem *row) {
            QTest::mouseClick(list->viewport(), Qt::RightButton, {}, list->visualItemRect(row).center());
            child<QMenu>(&f.main(), u"MNU_Favoris"_s)->hide();
        };
        f.server.fallback = heldOpen;
        rightClick(list->topLevelItem(0));
        trigger(&f.main(), u"MNU_RemoveFromFavoris"_s);
        rightClick(list->topLevelItem(1));
        QCOMPARE(f.main().selectedItem(), list->topLevelItem(1));
        QCOMPARE(f.engine().state(), RequestEngine::State::Connecting);
        QVERIFY(f.server.waitForRequests(1));
        QCOMPARE(f.requestLine(0), "GET /removemembre.php?login=moi&pseudo=jean&liste=favoris HTTP/1.1");

        list->sortItems(contactrow::Pseudo, Qt::DescendingOrder); // marie, jean
        rightClick(list->topLevelItem(0));
        f.answerHeld("REMOVEISSUCCESSFUL");
        QVERIFY(f.server.waitForRequests(2));
        QCOMPARE(pseudos(list), u"marie"_s);
        QVERIFY(f.requestLine(1).startsWith("GET /softrefresh2.php") && f.engine().refreshTimer().isActive());
    }

    // "Contacts connectés en premier": connected members on top, then by pseudo, as presence
    // changes, in either direction; the choice comes back at the next start.
    void connectedFirstThenByPseudo()
    {
        ClientFixture f;
        QTreeWidget &list = *f.main().lvFavoris();
        auto refresh = [&](const QString &members) { // "pseudo+" is connected
            QString records;
            for (const QString &m : members.split(u' '))
                records += m.endsWith(u'+') ? m.chopped(1) + u",10.0.0.9,H,30,75,1|"_s
                                            : m + u",0.0.0.0,H,30,75,1|"_s;
            applyRefreshReply(
                list, *f.main().lvListeNoire(),
                parseRefreshReply(u"REFRESHISOK|HERESTARTFAVORIS|"_s + records +
                                  u"NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|MYMAILSNUMBER,0,"_s),
                {true, false}, sound, *faces);
        };
        refresh(u"zoe+ anne Bob+ marc"_s);
        QCOMPARE(pseudos(&list), u"zoe anne Bob marc"_s); // the server's order until asked otherwise
        QAction *option = child<QAction>(&f.main(), u"MNU_ConnectesEnPremier"_s);
        QVERIFY(!option->isChecked());
        option->trigger();
        QCOMPARE(pseudos(&list), u"Bob zoe anne marc"_s);
        QVERIFY(parsePreferences(fileBytes(f.iniPath())).connectedFirst);
        refresh(u"zoe anne+ Bob+ marc alain+"_s);
        QCOMPARE(pseudos(&list), u"alain anne Bob marc zoe"_s);
        list.sortItems(0, Qt::DescendingOrder);
        list.header()->setSortIndicator(0, Qt::DescendingOrder);
        list.sortItems(0, Qt::DescendingOrder);
        QCOMPARE(pseudos(&list), u"Bob anne alain zoe marc"_s);

        ClientDesk next(f.server.hostWithPort());
        next.writeIni(fileBytes(f.iniPath()));
        QVERIFY(child<QAction>(&next.main(), u"MNU_ConnectesEnPremier"_s)->isChecked());
        QVERIFY(contactorder::connectedFirst(*next.main().lvFavoris()) &&
                contactorder::connectedFirst(*next.main().lvListeNoire()));
        option->trigger();
        QVERIFY(!parsePreferences(fileBytes(f.iniPath())).connectedFirst);
        list.sortItems(0, Qt::AscendingOrder);
        QCOMPARE(pseudos(&list), u"Bob alain anne marc zoe"_s); // the column's own order
    }
};

QTEST_MAIN(TestContacts)
#include "test_contacts.moc"
