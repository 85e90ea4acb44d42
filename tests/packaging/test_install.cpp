// The installed product: `cmake --install` into a temporary prefix, then the programs and the
// desktop files as they lie there.
#include "client/shell/client.h"
#include "client/shell/installlayout.h"
#include "tests/support/clientfixture.h"

#include <QImage>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString appId = u"org.jaserelle.Jaserelle"_s;

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp;
    QString prefix;
    QString at(const QString &relative) const { return prefix + u'/' + relative; }

    // Runs a program to its end; its exit code, its standard output in `out`.
    int run(const QString &program, const QStringList &args, QByteArray *out = nullptr,
            const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, args);
        if (!p.waitForFinished(300000))
            return -1;
        if (out)
            *out = p.readAllStandardOutput();
        if (p.exitCode() != 0)
            qWarning().noquote() << program << args << p.readAllStandardError();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        prefix = tmp.filePath(u"usr"_s);
        QCOMPARE(run(QStringLiteral(CMAKE_COMMAND_PATH),
                     {u"--install"_s, QStringLiteral(BUILD_TREE), u"--prefix"_s, prefix}),
                 0);
    }

    void desktopFilesAreValidAndInPlace()
    {
        QCOMPARE(run(u"desktop-file-validate"_s, {at(u"share/applications/"_s + appId + u".desktop"_s)}), 0);
        QCOMPARE(run(u"appstreamcli"_s,
                     {u"validate"_s, u"--no-net"_s, at(u"share/metainfo/"_s + appId + u".metainfo.xml"_s)}),
                 0);
        QCOMPARE(QImage(at(u"share/icons/hicolor/48x48/apps/"_s + appId + u".png"_s)).size(), QSize(48, 48));
        for (const QString &file :
             {u"share/icons/hicolor/scalable/apps/"_s + appId + u".svg"_s, u"share/man/man1/jaserelle.1"_s,
              u"share/man/man1/jaserelle-server.1"_s, u"share/jaserelle/sons/incomingcall.wav"_s,
              u"share/jaserelle/goout.wav"_s})
            QVERIFY2(QFileInfo::exists(at(file)), qPrintable(file));
        // The unit starts the server where this installation put it.
        QVERIFY(
            read(at(u"lib/systemd/system/jaserelle-server.service"_s))
                .contains("ExecStart=" + at(u"bin/jaserelle-server"_s).toUtf8() + " --listen 0.0.0.0:80"));
    }

    void programsTellTheirVersion_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("client") << u"jaserelle"_s;
        QTest::newRow("server") << u"jaserelle-server"_s;
    }
    void programsTellTheirVersion()
    {
        QFETCH(QString, program);
        QByteArray out;
        auto env = QProcessEnvironment::systemEnvironment();
        env.remove(u"QT_QPA_PLATFORM"_s); // no display needed for an answer
        env.remove(u"DISPLAY"_s);
        QCOMPARE(run(at(u"bin/"_s + program), {u"--version"_s}, &out, env), 0);
        QVERIFY2(out.startsWith(program.toUtf8() + ' ' + QByteArray(JASERELLE_VERSION_FOR_TEST)),
                 out.constData());
    }

    // First start of the installed client: the user's own settings are made from the default.
    void installedClientSeedsTheUsersSettings()
    {
        const QString config = tmp.filePath(u"config"_s);
        QVERIFY(QDir().mkpath(tmp.filePath(u"run"_s)));
        QFile::setPermissions(tmp.filePath(u"run"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, config);
        env.insert(u"XDG_RUNTIME_DIR"_s, tmp.filePath(u"run"_s));
        QProcess client;
        client.setProcessEnvironment(env);
        client.start(at(u"bin/jaserelle"_s), {});
        const QString userIni = config + u"/jaserelle/jaserelle.ini"_s;
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(userIni), 20000);
        QTest::qWait(200);
        QCOMPARE(client.state(), QProcess::Running); // the login window is up
        client.kill();
        client.waitForFinished();
        QCOMPARE(read(userIni), read(at(u"share/jaserelle/jaserelle.ini"_s)));
    }

    // The same layout in process, to reach the sound menu: its switch is saved in the user's file.
    void soundSwitchIsSavedInTheUsersSettings()
    {
        const QString userDir = tmp.filePath(u"other-user/jaserelle"_s);
        const QString seed = at(u"share/jaserelle/jaserelle.ini"_s);
        const ClientFiles files =
            locateClientFiles(at(u"bin"_s), userDir, {tmp.filePath(u"no-etc.ini"_s), seed});
        QCOMPARE(files.dataDir, at(u"share/jaserelle"_s));
        RecordingPlatform desktop;
        ClientState state;
        state.appDir = files.configDir;
        state.seedIni = files.seedIni;
        Client client(state, desktop.platform());
        QVERIFY(client.start());
        QVERIFY(desktop.notifier.shown.isEmpty());
        trigger(&client.frmMain(), u"MNU_DeActiveSound"_s);
        const ConfigValues saved = parseConfig(read(userDir + u"/jaserelle.ini"_s));
        QCOMPARE(saved.soundValue, u"disable"_s);
        QCOMPARE(saved.serverHost, parseConfig(read(seed)).serverHost);
        QVERIFY(parseConfig(read(seed)).soundEnabled());
    }

    void installedServerAnswers()
    {
        QProcess server;
        server.start(at(u"bin/jaserelle-server"_s), {u"--listen"_s, u"127.0.0.1:0"_s, u"--data"_s,
                                                     tmp.filePath(u"data"_s), u"--threads"_s, u"1"_s});
        QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 20000);
        const QByteArray banner = server.readLine();
        const qsizetype colon = banner.indexOf(':', banner.indexOf("127.0.0.1"));
        const quint16 port = banner.mid(colon + 1, banner.indexOf(',') - colon - 1).toUShort();
        QVERIFY2(port != 0, banner.constData());
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, port);
        QVERIFY(socket.waitForConnected(5000));
        socket.write("GET /onlinehelp.html HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
        QByteArray reply;
        while (socket.waitForReadyRead(5000))
            reply += socket.readAll();
        QVERIFY2(reply.startsWith("HTTP/1.1 200"), reply.left(200).constData());
        server.terminate();
        QVERIFY(server.waitForFinished(10000));
    }
};

QTEST_MAIN(TestInstall)
#include "test_install.moc"
