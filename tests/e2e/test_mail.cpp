// Two members against the real community server: one writes, the other finds the mail in his
// mail box, reads it and deletes it.
#include "client/mail/frmreadmails.h"
#include "client/mail/frmsendmail.h"
#include "client/mail/maildesk.h"
#include "client/shell/rowselection.h"
#include "tests/support/clientfixture.h"
#include "tests/support/communityserver.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

struct Member : ClientDesk
{
    Member(const QString &host, const QString &address) : ClientDesk(host, QHostAddress(address)) {}

    bool logIn(const QString &pseudo) { return logInAndRefresh(pseudo, u"demo"_s); }
    int mailsAfterRefresh()
    {
        engine().startRefresh();
        return waitIdle(10000) ? main().lblMailsNumber()->text().toInt() : -1;
    }
};

} // namespace

class TestMailEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void mailWrittenReadAndDeleted()
    {
        CommunityServer server;
        QVERIFY2(server.start(), server.log().constData());
        Member thomas(server.hostWithPort(), u"127.0.0.2"_s);
        Member emma(server.hostWithPort(), u"127.0.0.3"_s);
        QVERIFY(thomas.logIn(u"thomas"_s));
        QVERIFY(emma.logIn(u"emma"_s));
        const int before = emma.mailsAfterRefresh();

        // Thomas writes to Emma from a row of his search results.
        auto *row = new QTreeWidgetItem(thomas.main().lvRecherche(), QStringList{u"emma"_s});
        thomas.main().rowSelection().setSelectedItem(row);
        trigger(&thomas.main(), u"MNU_MailFromRecherche"_s);
        FrmSendMail &window = *thomas.client->mailDesk().frmSendMail();
        child<QLineEdit>(&window, u"txtSubject"_s)->setText(u"Café ?"_s);
        child<QPlainTextEdit>(&window, u"txtMessage"_s)->setPlainText(u"Demain à 10h,\nau coin & co"_s);
        child<QPushButton>(&window, u"cmdSendMail"_s)->click();
        QVERIFY(thomas.waitIdle(10000));
        QCOMPARE(thomas.desktop.notifier.titles(), QStringList{u"Mail envoyé."_s});

        // Emma's next refresh counts it; the envelope opens her box with it last.
        QCOMPARE(emma.mailsAfterRefresh(), before + 1);
        QTest::mouseClick(emma.main().pctbMail(), Qt::LeftButton);
        QVERIFY(emma.waitIdle(10000));
        FrmReadMails &box = *emma.client->mailDesk().frmReadMails();
        auto *list = child<QTreeWidget>(&box, u"lvMails"_s);
        QTRY_COMPARE(list->topLevelItemCount(), before + 1);
        QTreeWidgetItem *mail = list->topLevelItem(before);
        QCOMPARE(mail->text(FrmReadMails::De), u"thomas"_s);
        QCOMPARE(mail->text(FrmReadMails::Sujet), u"Café ?"_s);
        list->setCurrentItem(mail);
        QCOMPARE(child<QPlainTextEdit>(&box, u"txtMessage"_s)->toPlainText(),
                 u"Demain à 10h,\nau coin & co"_s);

        // Deleted: gone locally, and gone on the server too, as the next refresh tells.
        child<QPushButton>(&box, u"cmdDeleteMail"_s)->click();
        QVERIFY(emma.waitIdle(10000));
        QCOMPARE(emma.desktop.notifier.titles(), QStringList{u"Mails."_s});
        QCOMPARE(list->topLevelItemCount(), before);
        QCOMPARE(emma.main().lblMailsNumber()->text(), QString::number(before));
        QCOMPARE(emma.mailsAfterRefresh(), before);
        QCOMPARE(box.isVisible(), before > 0);
    }
};

QTEST_MAIN(TestMailEndToEnd)
#include "test_mail.moc"
