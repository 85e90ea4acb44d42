#include "client/mail/maillist.h"

#include <QTest>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

// Sender, date text, subject and text of each mail, one line per mail.
QStringList lines(const QList<MailEntry> &mails)
{
    QStringList out;
    for (const MailEntry &m : mails)
        out.append(m.sender + u" | "_s + m.when + u" | "_s + m.subject + u" | "_s + m.message);
    return out;
}

const QString head = u"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n"_s;
const QString three = u"HERESTARTMAILLISTjean~2002-11-05~09:07:59~NULL~Salut !~"
                      u"marie~2024-01-31~23:59:00~Ciné ce soir ?~Oui\r\nou non~"
                      u"paul~1999-12-31~00:00:01~Bonne année~À demain~"_s;

} // namespace

class TestMailList : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("expected");
        const QString jean = u"jean | 05/11/2002 à 09h07 | pas de sujet | Salut !"_s;
        const QString marie = u"marie | 31/01/2024 à 23h59 | Ciné ce soir ? | Oui\r\nou non"_s;
        const QString paul = u"paul | 31/12/1999 à 00h00 | Bonne année | À demain"_s;
        QTest::newRow("all three") << head + three << 3 << QStringList{jean, marie, paul};
        QTest::newRow("counter below the list") << head + three << 2 << QStringList{jean, marie};
        QTest::newRow("counter at 0") << head + three << 0 << QStringList{};
        QTest::newRow("mail cut short") << head + three.chopped(10) << 3 << QStringList{jean, marie};
        QTest::newRow("no keyword") << head + three.sliced(17) << 3 << QStringList{};
    }
    void parse()
    {
        QFETCH(QString, reply);
        QFETCH(int, count);
        QFETCH(QStringList, expected);
        QCOMPARE(lines(parseMailList(reply, count)), expected);
    }

    void longListsStop()
    {
        const QString many = u"HERESTARTMAILLIST"_s + u"a~2000-01-01~00:00:00~NULL~t~"_s.repeated(6000);
        QCOMPARE(parseMailList(many, 100000).size(), 5000);
    }

    void mailCount_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("count");
        QTest::newRow("number") << u"3"_s << 3;
        QTest::newRow("leading number") << u" 12 mails"_s << 12;
        QTest::newRow("no number") << u"aucun"_s << 0;
        QTest::newRow("absurdly long") << u"123456789012345"_s << 123456789;
    }
    void mailCount()
    {
        QFETCH(QString, caption);
        QFETCH(int, count);
        QCOMPARE(mailCountOf(caption), count);
    }
};

QTEST_MAIN(TestMailList)
#include "test_maillist.moc"
