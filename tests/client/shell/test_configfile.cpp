#include "client/shell/configfile.h"
#include "client/shell/logininput.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestConfigFile : public QObject
{
    Q_OBJECT

private slots:
    void reading_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("sound");
        QTest::newRow("as written") << QByteArray("[server]\r\nlocalhost:8080\r\n\r\n[sound]\r\nenable\r\n")
                                    << u"localhost:8080"_s << true;
        QTest::newRow("disable") << QByteArray("[server]\r\nh\r\n\r\n[sound]\r\ndisable\r\n") << u"h"_s << false;
        QTest::newRow("[Server] is not a section") << QByteArray("[Server]\r\nh\r\n[sound]\r\nenable\r\n")
                                                   << QString() << false;
        QTest::newRow("sound before server") << QByteArray("[sound]\r\nenable\r\n[server]\r\nh\r\n") << u"h"_s
                                             << false;
        QTest::newRow("Enable") << QByteArray("[server]\r\nh\r\n[sound]\r\nEnable\r\n") << u"h"_s << false;
        QTest::newRow("enable and a space") << QByteArray("[server]\r\nh\r\n[sound]\r\nenable \r\n") << u"h"_s
                                            << false;
        QTest::newRow("server only") << QByteArray("[server]\r\nh\r\n") << u"h"_s << false;
        QTest::newRow("empty host then a later one")
            << QByteArray("[server]\r\n\r\n[server]\r\nh2\r\n[sound]\r\nenable\r\n") << u"h2"_s << true;
        QTest::newRow("host kept as written") << QByteArray("[server]\r\n Mon Serveur \r\n") << u" Mon Serveur "_s
                                              << false;
        QTest::newRow("section with trailing space") << QByteArray("[server] \r\nh\r\n") << QString() << false;
        QTest::newRow("unix line ends") << QByteArray("[server]\nh\n[sound]\nenable") << u"h"_s << true;
        QTest::newRow("section is the last line") << QByteArray("[server]") << QString() << false;
        QTest::newRow("Windows-1252 host") << QByteArray("[server]\r\nd\xE9mo\r\n") << u"démo"_s << false;
        QTest::newRow("empty") << QByteArray() << QString() << false;
    }
    void reading()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, host);
        QFETCH(bool, sound);
        const ConfigValues v = parseConfig(file);
        QCOMPARE(v.serverHost, host);
        QCOMPARE(v.soundEnabled(), sound);
    }

    void writingGivesFiveLines()
    {
        QCOMPARE(formatConfig(u"localhost:8080"_s, true), QByteArray("[server]\r\nlocalhost:8080\r\n\r\n[sound]\r\nenable\r\n"));
        QCOMPARE(formatConfig(u"démo"_s, false), QByteArray("[server]\r\nd\xE9mo\r\n\r\n[sound]\r\ndisable\r\n"));
        const ConfigValues back = parseConfig(formatConfig(u"h"_s, true));
        QCOMPARE(back.serverHost, u"h"_s);
        QVERIFY(back.soundEnabled());
    }

    void loginInput_data()
    {
        QTest::addColumn<QString>("pseudo");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("sentPassword");
        using V = LoginInput::Verdict;
        QTest::newRow("spaces and case") << u" Jean Pierre"_s << u"Se Cret1"_s << int(V::Accepted) << u"jeanpierre"_s
                                         << u"secret1"_s;
        QTest::newRow("hyphen") << u"jean-pierre"_s << u"x"_s << int(V::NotAlphanumeric) << QString() << QString();
        QTest::newRow("accent") << u"élodie"_s << u"x"_s << int(V::NotAlphanumeric) << QString() << QString();
        QTest::newRow("bad password") << u"jean"_s << u"m%p"_s << int(V::NotAlphanumeric) << QString() << QString();
        QTest::newRow("only spaces") << u"   "_s << u"  "_s << int(V::Empty) << QString() << QString();
        QTest::newRow("no password") << u"jean"_s << QString() << int(V::Empty) << QString() << QString();
        QTest::newRow("tab is not a space") << u"a\tb"_s << u"x"_s << int(V::NotAlphanumeric) << QString() << QString();
    }
    void loginInput()
    {
        QFETCH(QString, pseudo);
        QFETCH(QString, password);
        QFETCH(int, verdict);
        const LoginInput in = cleanLoginInput(pseudo, password);
        QCOMPARE(int(in.verdict), verdict);
        QVERIFY(!in.pseudo.contains(u' ') && !in.password.contains(u' '));
        if (in.verdict == LoginInput::Verdict::Accepted) {
            QTEST(in.login(), "login");
            QTEST(in.loginPassword(), "sentPassword");
        }
    }
};

QTEST_APPLESS_MAIN(TestConfigFile)
#include "test_configfile.moc"
