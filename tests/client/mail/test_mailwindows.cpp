#include "client/contacts/mailindicator.h"
#include "client/mail/frmreadmails.h"
#include "client/mail/frmsendmail.h"
#include "client/mail/maildesk.h"
#include "client/mail/mailnotices.h"
#include "client/server/wiretext.h"
#include "tests/support/clientfixture.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

const QByteArray threeMails = "HERESTARTMAILLIST"
                              "jean~2002-11-05~09:07:59~NULL~Bonjour~"
                              "marie~2024-01-31~23:59:00~Cin\xe9~Oui\r\nou non~"
                              "paul~1999-12-31~00:00:01~V\x9cux~Bonne ann\351e~"; // \351: é

// Logged in as "moi", jean a favourite and zoe a search result, `waiting` mails announced.
struct Mailing : ClientFixture
{
    explicit Mailing(int waiting = 3)
    {
        presetSession();
        new QTreeWidgetItem(main().lvFavoris(), QStringList{u"jean"_s});
        new QTreeWidgetItem(main().lvFavoris(), QStringList{u"moi"_s});
        new QTreeWidgetItem(main().lvRecherche(), QStringList{u"zoe"_s});
        showMailCount(*main().lblMailsNumber(), *main().pctbMail(), waiting);
    }
    MailDesk &desk() { return client->mailDesk(); }
    FrmSendMail &sendWindow() { return *desk().frmSendMail(); }
    void type(const QString &subject, const QString &message)
    {
        child<QLineEdit>(&sendWindow(), u"txtSubject"_s)->setText(subject);
        child<QPlainTextEdit>(&sendWindow(), u"txtMessage"_s)->setPlainText(message);
    }
    void send() { child<QPushButton>(&sendWindow(), u"cmdSendMail"_s)->click(); }
    void clickEnvelope() { QTest::mouseClick(main().pctbMail(), Qt::LeftButton); }
    FrmReadMails &box() { return *desk().frmReadMails(); }
    QTreeWidget *lvMails() { return child<QTreeWidget>(&box(), u"lvMails"_s); }
    QPushButton *deleteButton() { return child<QPushButton>(&box(), u"cmdDeleteMail"_s); }
    QString shownText() { return child<QPlainTextEdit>(&box(), u"txtMessage"_s)->toPlainText(); }
    bool openBox(const QByteArray &list = threeMails)
    {
        server.queue(list);
        clickEnvelope();
        return server.waitForRequests(1) && waitIdle();
    }
    QString column(int column)
    {
        QStringList out;
        for (int i = 0; i < lvMails()->topLevelItemCount(); ++i)
            out.append(lvMails()->topLevelItem(i)->text(column));
        return out.join(u',');
    }
};

} // namespace

class TestMailWindows : public QObject
{
    Q_OBJECT

private slots:
    // One's own row is refused. A mail that cannot leave stays in its window, said why: each character
    // that cannot travel once (an emoji as one), the first selected; an unrecognised answer is a failure
    // told once, nothing lost. The mail goes to the member the window was opened for, as it was sent.
    void mailGoesToTheMemberItWasOpenedFor()
    {
        const std::tuple<QString, QString, Notice, QString> rows[] = {
            {u"Sujet"_s, QString(), emptyMailNotice(), QString()},
            {u"Sujet"_s, u"a~b"_s, tildeInMailNotice(), QString()},
            {u"~"_s, u"texte"_s, tildeInMailNotice(), QString()},
            {u"Bonne année \U0001F600"_s, u"Erdős \U0001F600 ő ł, œuvre à 5 €"_s,
             untravellableCharactersNotice({u"\U0001F600"_s, u"ő"_s, u"ł"_s}), QString()},
            {u"Sujet"_s, u"Cher Łukasz, Привет"_s,
             untravellableCharactersNotice({u"Ł"_s, u"П"_s, u"р"_s, u"и"_s, u"в"_s, u"е"_s, u"т"_s}), u"Ł"_s},
        };
        Mailing f;
        f.command(f.main().lvFavoris()->topLevelItem(1), u"MNU_MailFromFavoris"_s);
        QVERIFY(!f.desk().frmSendMail());
        QCOMPARE(f.desktop.notifier.shown, QList<Notice>{selfMailNotice()});
        f.command(f.main().lvFavoris()->topLevelItem(0), u"MNU_MailFromFavoris"_s);
        const auto *text = child<QPlainTextEdit>(&f.sendWindow(), u"txtMessage"_s);
        for (const auto &[subject, message, notice, selected] : rows) {
            f.type(subject, message);
            f.send();
            QCOMPARE(f.desktop.notifier.shown.last(), notice);
            QVERIFY(f.sendWindow().isVisible());
            QCOMPARE(f.sendWindow().subjectText() + f.sendWindow().messageText(), subject + message);
            QCOMPARE(text->textCursor().selectedText(), selected);
        }
        QCOMPARE(f.desktop.notifier.shown.size(), qsizetype(std::size(rows)) + 1);
        QCOMPARE(f.server.connections, 0);

        f.desktop.notifier.shown.clear();
        f.type(u"s"_s, u"texte"_s);
        f.server.queue("LEMEMBRENEXISTEPAS");
        f.send();
        QVERIFY(f.server.waitForRequests(1) && f.waitIdle());
        QVERIFY(f.openBox("Forbidden"));
        QCOMPARE(f.desktop.notifier.shown, (QList<Notice>{*mailFailureNotice(RequestKind::SendMail),
                                                          *mailFailureNotice(RequestKind::ReadMails)}));
        QVERIFY(f.sendWindow().isVisible() && f.sendWindow().messageText() == u"texte"_s);
        QVERIFY(!f.box().isVisible());

        QTest::keyClicks(child<QLineEdit>(&f.sendWindow(), u"txtSubject"_s), QString(51, u'x'));
        QCOMPARE(f.sendWindow().subjectText(), u"s"_s + QString(49, u'x'));
        f.type(u" Un été "_s, u"Ligne 1\nLigne 2 & 50%"_s);
        QTreeWidgetItem *zoe = f.main().lvRecherche()->topLevelItem(0);
        f.command(zoe, u"MNU_MailFromRecherche"_s); // ignored while writing
        f.server.queue("MAILSENDEDOK");
        f.send();
        QVERIFY(!f.sendWindow().isVisible());
        f.command(zoe, u"MNU_MailFromRecherche"_s); // before the first has left
        QCOMPARE(f.sendWindow().windowTitle(), u"Envoyer un mail à zoe"_s);
        QVERIFY(f.sendWindow().subjectText().isEmpty());
        QVERIFY(f.server.waitForRequests(3) && f.waitIdle());
        QCOMPARE(f.requestLine(2), "GET /sendmail.php?sender=moi&login=jean&subject=+Un+%E9t%E9+"
                                   "&message=Ligne+1%0D%0ALigne+2+%26+50%25 HTTP/1.1");
        QCOMPARE(f.desktop.notifier.shown.mid(2), QList<Notice>{mailSentNotice()});
        f.sendWindow().close();
        QTRY_VERIFY(!f.desk().frmSendMail());
        f.command(zoe, u"MNU_MailFromRecherche"_s);
        QVERIFY(f.desk().frmSendMail());
    }

    // A list is never longer than the cap whatever the count; "Re: " does not stack; dates sort by time,
    // not by their first digits, every click flipping the order.
    void mailBox()
    {
        const QString three = wiretext::fromWire(threeMails);
        const std::tuple<QString, int, qsizetype> rows[] = {
            {three.chopped(10), 3, 2}, // the last mail cut short
            {three.sliced(17), 3, 0},  // no keyword
            {u"HERESTARTMAILLIST"_s + u"a~2000-01-01~00:00:00~NULL~t~"_s.repeated(6000), 100000, 5000},
        };
        for (const auto &[reply, count, read] : rows)
            QCOMPARE(parseMailList(reply, count).size(), read);
        for (const auto &[caption, count] :
             {std::pair{u"3"_s, 3}, {u" 12 mails"_s, 12}, {u"aucun"_s, 0}, {u"123456789012345"_s, 123456789}})
            QCOMPARE(mailCountOf(caption), count);

        Mailing none(0);
        none.clickEnvelope();
        QVERIFY(!none.desk().frmReadMails());

        Mailing f(2);
        f.main().show();
        f.main().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.main()));
        f.server.queue(threeMails);
        QTest::keyClick(&f.main(), Qt::Key_M, Qt::ControlModifier);
        QVERIFY(f.server.waitForRequests(1) && f.waitIdle() && f.box().isVisible());
        QCOMPARE(f.requestLine(0), "GET /readmails.php?login=moi HTTP/1.1");
        QCOMPARE(f.column(FrmReadMails::De) + u'|' + f.column(FrmReadMails::Le) + u'|' +
                     f.column(FrmReadMails::Sujet),
                 u"jean,marie|05/11/2002 à 09h07,31/01/2024 à 23h59|pas de sujet,Ciné"_s);
        QCOMPARE(f.shownText(), u"Bonjour"_s);
        QTest::mouseClick(f.lvMails()->viewport(), Qt::LeftButton, {},
                          f.lvMails()->visualItemRect(f.lvMails()->topLevelItem(1)).center());
        QCOMPARE(f.shownText(), u"Oui\nou non"_s);
        f.clickEnvelope(); // open already
        QCOMPARE(f.server.connections, 1);

        f.box().addMail({u"jean"_s, u"01/02/2024 à 10h00"_s, u"Re: Ciné"_s, u"Oui"_s});
        for (const auto &[row, sender] : {std::pair{1, u"marie"_s}, {2, u"jean"_s}}) {
            f.lvMails()->setCurrentItem(f.lvMails()->topLevelItem(row));
            child<QPushButton>(&f.box(), u"cmdRepondre"_s)->click();
            QCOMPARE(f.sendWindow().recipient() + f.sendWindow().subjectText(), sender + u"Re: Ciné"_s);
            QVERIFY(f.sendWindow().messageText().isEmpty());
            f.sendWindow().close();
        }
        QHeaderView *header = f.lvMails()->header();
        for (int column : {1, 0})
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        QCOMPARE(f.column(FrmReadMails::De), u"marie,jean,jean"_s);
        f.lvMails()->sortItems(FrmReadMails::Le, Qt::AscendingOrder);
        QCOMPARE(f.column(FrmReadMails::De), u"jean,marie,jean"_s);
        f.lvMails()->setColumnWidth(FrmReadMails::Texte, 200);
        QTest::mousePress(f.lvMails()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(f.lvMails()->columnWidth(FrmReadMails::Texte), 0);

        f.box().hide(); // a list that fails on the network puts the box away
        f.engine().setTimeoutInterval(50);
        f.server.queue(heldOpen);
        f.clickEnvelope();
        QVERIFY(f.box().isVisible());
        QTRY_VERIFY(!f.box().isVisible());
    }

    // The answer takes away the mail named to the server, whatever row was chosen since; the next follows.
    void deletingMails()
    {
        Mailing f;
        QVERIFY(f.openBox());
        f.box().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.box()));
        f.lvMails()->setCurrentItem(f.lvMails()->topLevelItem(1));
        f.server.queue(heldOpen);
        f.deleteButton()->setFocus();
        f.deleteButton()->click();
        QVERIFY(f.server.waitForRequests(2));
        QCOMPARE(f.requestLine(1), "GET /deletemail.php?login=moi&sender=marie&date=2024-01-31&time=23:59:00"
                                   "&subject=Cin%E9&message=Oui%0D%0Aou+non HTTP/1.1");
        f.lvMails()->setCurrentItem(f.lvMails()->topLevelItem(0));
        f.answerHeld("YOURMAILHAVEBEENDELETED");
        QVERIFY(f.waitIdle());
        QCOMPARE(f.column(FrmReadMails::De), u"jean,paul"_s);
        QCOMPARE(f.shownText(), u"Bonne année"_s); // paul's, in marie's place
        QCOMPARE(f.main().lblMailsNumber()->text(), u"2"_s);
        QVERIFY(mailsWaiting(*f.main().pctbMail()) && f.box().isVisible());
        QCOMPARE(f.desktop.notifier.shown, QList<Notice>{mailDeletedNotice()});
        QTRY_VERIFY(f.lvMails()->hasFocus()); // the keyboard back on the list

        for (int left = 1; left >= 0; --left) {
            f.server.queue("YOURMAILHAVEBEENDELETED");
            f.deleteButton()->click();
            QVERIFY(f.server.waitForRequests(4 - left) && f.waitIdle());
            QCOMPARE(f.main().lblMailsNumber()->text(), QString::number(left));
        }
        QVERIFY(f.requestLine(2).contains("sender=paul") && f.requestLine(3).contains("sender=jean"));
        QVERIFY(!mailsWaiting(*f.main().pctbMail()) && !f.box().isVisible());
        QVERIFY(f.engine().refreshTimer().isActive());
    }
};

QTEST_MAIN(TestMailWindows)
#include "test_mailwindows.moc"
