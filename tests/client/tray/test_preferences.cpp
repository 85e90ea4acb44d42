#include "client/shell/configfile.h"
#include "client/shell/preferences.h"
#include "client/shell/preferencesfile.h"
#include "client/shell/soundsetting.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

// The client's own choices in jaserelle.ini, after the two sections every client reads.
class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    void sectionReadBackAndIgnoredByTheOldReader()
    {
        Preferences chosen;
        chosen.closeToTray = true;
        chosen.connectedFirst = true;
        chosen.lastPseudo = u"andré"_s;
        chosen.rememberPassword = true;
        const QByteArray file = formatConfig(u"jaserelle.example:8080"_s, false) + formatPreferences(chosen);
        const Preferences back = parsePreferences(file);
        QVERIFY(back.closeToTray && back.connectedFirst && back.rememberPassword);
        QCOMPARE(back.lastPseudo, u"andré"_s);
        // What a reader of the first two sections makes of the longer file.
        const ConfigValues old = parseConfig(file);
        QCOMPARE(old.serverHost, u"jaserelle.example:8080"_s);
        QCOMPARE(old.soundValue, u"disable"_s);
        // The first five lines are the very ones written without the section.
        QVERIFY(file.startsWith(formatConfig(u"jaserelle.example:8080"_s, false)));
    }

    void oddSectionsGiveDefaults_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("none") << QByteArray("[server]\r\nhote\r\n\r\n[sound]\r\nenable\r\n");
        QTest::newRow("empty") << QByteArray("");
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

    void soundSwitchKeepsTheChoicesAndChoicesKeepTheSound()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"jaserelle.ini"_s);
        // Missing: nothing is created.
        QVERIFY(!savePreferences(dir.path(), {}));
        QVERIFY(!QFile::exists(path));

        writeAll(path, "[server]\r\nlocalhost:8080\r\n\r\n[sound]\r\nenable\r\n");
        Preferences chosen;
        chosen.closeToTray = true;
        chosen.lastPseudo = u"jean"_s;
        QVERIFY(savePreferences(dir.path(), chosen));
        QCOMPARE(readAll(path), QByteArray("[server]\r\nlocalhost:8080\r\n\r\n[sound]\r\nenable\r\n\r\n"
                                           "[preferences]\r\ncloseToTray=1\r\nconnectedFirst=0\r\n"
                                           "lastPseudo=jean\r\nrememberPassword=0\r\n"));

        QCOMPARE(rewriteConfigFile(dir.path(), u"localhost:8080"_s, false), ConfigWrite::Written);
        const QByteArray after = readAll(path);
        QVERIFY(after.startsWith(
            "[server]\r\nlocalhost:8080\r\n\r\n[sound]\r\ndisable\r\n\r\n[preferences]\r\n"));
        const Preferences kept = loadPreferences(dir.path());
        QVERIFY(kept.closeToTray);
        QCOMPARE(kept.lastPseudo, u"jean"_s);

        // And a file an older client rewrote (no section) simply gives the defaults again.
        writeAll(path, formatConfig(u"localhost:8080"_s, true));
        QCOMPARE(rewriteConfigFile(dir.path(), u"localhost:8080"_s, true), ConfigWrite::Written);
        QCOMPARE(readAll(path), formatConfig(u"localhost:8080"_s, true));
        QVERIFY(!loadPreferences(dir.path()).closeToTray);
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
