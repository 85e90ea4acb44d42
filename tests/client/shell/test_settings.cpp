#include "client/shell/configfile.h"
#include "client/shell/logininput.h"
#include "client/shell/preferences.h"
#include "client/shell/preferencesfile.h"
#include "client/shell/serverchoice.h"
#include "client/shell/soundsetting.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

// jaserelle.ini: the server and sound sections every client reads, then this client's own choices;
// and what is typed in the login window.
class TestSettings : public QObject
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

    // The choices read back; a reader of the first two sections reads the longer file as before,
    // the host written in Windows-1252 as it always was.
    void choicesReadBackAndIgnoredByTheOldReader()
    {
        Preferences chosen;
        chosen.closeToTray = true;
        chosen.connectedFirst = true;
        chosen.lastPseudo = u"andré"_s;
        chosen.rememberPassword = true;
        const QByteArray file = formatConfig(u"démo:8080"_s, false) + formatPreferences(chosen);
        const Preferences back = parsePreferences(file);
        QVERIFY(back.closeToTray && back.connectedFirst && back.rememberPassword);
        QCOMPARE(back.lastPseudo, u"andré"_s);
        QVERIFY(file.startsWith("[server]\r\nd\xE9mo:8080\r\n"));
        const ConfigValues old = parseConfig(file);
        QCOMPARE(old.serverHost, u"démo:8080"_s);
        QCOMPARE(old.soundValue, u"disable"_s);
    }

    void oddSectionsGiveDefaults_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("none") << QByteArray("[server]\r\nhote\r\n\r\n[sound]\r\nenable\r\n");
        QTest::newRow("garbage lines")
            << QByteArray("[preferences]\r\ncloseToTray\r\n=1\r\nconnectedFirst=oui\r\n");
        QTest::newRow("another section first") << QByteArray("[preferences]\r\n[autre]\r\ncloseToTray=1\r\n");
        QTest::newRow("runaway pseudo")
            << (QByteArray("[preferences]\r\nlastPseudo=") + QByteArray(100000, 'a') + "\r\n");
        QTest::newRow("name inside a line") << QByteArray("x[preferences]\r\ncloseToTray=1\r\n");
    }
    void oddSectionsGiveDefaults()
    {
        QFETCH(QByteArray, file);
        const Preferences read = parsePreferences(file);
        QVERIFY(!read.closeToTray && !read.connectedFirst && read.lastPseudo.isEmpty());
    }

    // The sound switch rewrites the two sections and keeps the choices; saving the choices keeps the
    // sections; a missing file is never made.
    void soundSwitchAndChoicesKeepEachOther()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"jaserelle.ini"_s);
        QVERIFY(!savePreferences(dir.path(), {}));
        QCOMPARE(rewriteConfigFile(dir.path(), u"ici"_s, true), ConfigWrite::Absent);
        QVERIFY(!QFile::exists(path));

        const auto write = [&](const QByteArray &bytes) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        const auto read = [&] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray sections("[server]\r\nlocalhost:8080\r\n\r\n[sound]\r\nenable\r\n");
        QVERIFY(write(sections));
        Preferences chosen;
        chosen.closeToTray = true;
        chosen.lastPseudo = u"jean"_s;
        QVERIFY(savePreferences(dir.path(), chosen));
        QVERIFY(read().startsWith(sections));
        QCOMPARE(rewriteConfigFile(dir.path(), u"localhost:8080"_s, false), ConfigWrite::Written);
        const Preferences kept = parsePreferences(read());
        QVERIFY(kept.closeToTray);
        QCOMPARE(kept.lastPseudo, u"jean"_s);
        QCOMPARE(parseConfig(read()).soundValue, u"disable"_s);

        // A file an older client rewrote (no section) gives the defaults again.
        QVERIFY(write(formatConfig(u"localhost:8080"_s, true)));
        QCOMPARE(rewriteConfigFile(dir.path(), u"localhost:8080"_s, true), ConfigWrite::Written);
        QVERIFY(!loadPreferences(dir.path()).closeToTray);
    }

    void serverChoice_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QString>("host");
        const int unchanged = int(ServerChoice::Verdict::Unchanged);
        const int changed = int(ServerChoice::Verdict::Changed);
        const int invalid = int(ServerChoice::Verdict::Invalid);
        QTest::newRow("same") << u" ici:8080 "_s << unchanged << u"ici:8080"_s;
        QTest::newRow("empty keeps the server") << u""_s << unchanged << u"ici:8080"_s;
        QTest::newRow("another") << u"la-bas.example:80"_s << changed << u"la-bas.example:80"_s;
        QTest::newRow("address and scheme") << u"https://[::1]:8443"_s << changed << u"https://[::1]:8443"_s;
        QTest::newRow("line break") << u"a\r\n[sound]"_s << invalid << u"ici:8080"_s;
        QTest::newRow("inner space") << u"a b"_s << invalid << u"ici:8080"_s;
        QTest::newRow("separator") << u"a|b"_s << invalid << u"ici:8080"_s;
        QTest::newRow("hidden character") << u"ici\u200B:8080"_s << invalid << u"ici:8080"_s;
        QTest::newRow("overlong") << QString(256, u'a') << invalid << u"ici:8080"_s;
    }
    void serverChoice()
    {
        QFETCH(QString, typed);
        const ServerChoice choice = chooseServer(typed, u"ici:8080"_s);
        QTEST(int(choice.verdict), "verdict");
        QTEST(choice.host, "host");
    }

    // Spaces go; only letters and digits may be sent; an empty box is no login.
    void loginInput_data()
    {
        QTest::addColumn<QString>("pseudo");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("verdict");
        const int accepted = int(LoginInput::Verdict::Accepted), empty = int(LoginInput::Verdict::Empty);
        const int refused = int(LoginInput::Verdict::NotAlphanumeric);
        QTest::newRow("inner spaces") << u" Jean Pierre"_s << u"Se Cret1"_s << accepted;
        QTest::newRow("accent") << u"élodie"_s << u"x"_s << refused;
        QTest::newRow("bad password") << u"jean"_s << u"m%p"_s << refused;
        QTest::newRow("tab is not a space") << u"a\tb"_s << u"x"_s << refused;
        QTest::newRow("only spaces") << u"   "_s << u"  "_s << empty;
        QTest::newRow("no password") << u"jean"_s << QString() << empty;
    }
    void loginInput()
    {
        QFETCH(QString, pseudo);
        QFETCH(QString, password);
        QTEST(int(cleanLoginInput(pseudo, password).verdict), "verdict");
    }
};

QTEST_APPLESS_MAIN(TestSettings)
#include "test_settings.moc"
