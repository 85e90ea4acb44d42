#include "client/shell/configfile.h"

#include <QTest>

using namespace jaserelle::client;

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
        QTest::newRow("[Server] is not a section")
            << QByteArray("[Server]\r\nh\r\n[sound]\r\nenable\r\n") << QString() << false;
        QTest::newRow("sound before server")
            << QByteArray("[sound]\r\nenable\r\n[server]\r\nh\r\n") << u"h"_s << false;
        QTest::newRow("Enable") << QByteArray("[server]\r\nh\r\n[sound]\r\nEnable\r\n") << u"h"_s << false;
        QTest::newRow("enable and a space")
            << QByteArray("[server]\r\nh\r\n[sound]\r\nenable \r\n") << u"h"_s << false;
        QTest::newRow("server only") << QByteArray("[server]\r\nh\r\n") << u"h"_s << false;
        QTest::newRow("empty host then a later one")
            << QByteArray("[server]\r\n\r\n[server]\r\nh2\r\n[sound]\r\nenable\r\n") << u"h2"_s << true;
        QTest::newRow("host kept as written")
            << QByteArray("[server]\r\n Mon Serveur \r\n") << u" Mon Serveur "_s << false;
        QTest::newRow("section with trailing space")
            << QByteArray("[server] \r\nh\r\n") << QString() << false;
        QTest::newRow("unix line ends") << QByteArray("[server]\nh\n[sound]\nenable") << u"h"_s << true;
        QTest::newRow("section is the last line") << QByteArray("[server]") << QString() << false;
        QTest::newRow("Windows-1252 host") << QByteArray("[server]\r\nd\xE9mo\r\n") << u"démo"_s << false;
    }
    void reading()
    {
        QFETCH(QByteArray, file);
        const ConfigValues v = parseConfig(file);
        QTEST(v.serverHost, "host");
        QTEST(v.soundEnabled(), "sound");
    }

    void writingKeepsTheHostAsWindows1252()
    {
        QCOMPARE(formatConfig(u"démo"_s, false),
                 QByteArray("[server]\r\nd\xE9mo\r\n\r\n[sound]\r\ndisable\r\n"));
    }
};

QTEST_APPLESS_MAIN(TestConfigFile)
#include "test_configfile.moc"
