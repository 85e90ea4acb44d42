// The installed product: `cmake --install` into a temporary prefix, then what lies there.
#include "client/shell/installlayout.h"
#include "tests/support/clientfixture.h"

#include <QImage>
#include <QProcess>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp;
    QString at(const QString &relative) const { return tmp.filePath(u"usr/"_s + relative); }
    static std::pair<int, QByteArray> run(const QString &program, const QStringList &args)
    {
        QProcess p;
        p.start(program, args);
        const bool ended = p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit;
        return {ended ? p.exitCode() : -1, p.readAllStandardOutput() + p.readAllStandardError()};
    }

private slots:
    void initTestCase()
    {
        const auto [code, out] = run(QStringLiteral(CMAKE_COMMAND_PATH),
                                     {u"--install"_s, QStringLiteral(BUILD_TREE), u"--prefix"_s, at({})});
        QVERIFY2(code == 0, out.constData());
    }

    void installedFiles()
    {
        const QString desktop = at(u"share/applications/org.jaserelle.Jaserelle.desktop"_s);
        const QString metainfo = at(u"share/metainfo/org.jaserelle.Jaserelle.metainfo.xml"_s);
        QCOMPARE(run(u"desktop-file-validate"_s, {desktop}).first, 0);
        QCOMPARE(run(u"appstreamcli"_s, {u"validate"_s, u"--no-net"_s, metainfo}).first, 0);
        QCOMPARE(QImage(at(u"share/icons/hicolor/48x48/apps/org.jaserelle.Jaserelle.png"_s)).size(),
                 QSize(48, 48));
        // The unit starts the server where this installation put it.
        QVERIFY(
            fileBytes(at(u"lib/systemd/system/jaserelle-server.service"_s))
                .contains("ExecStart=" + at(u"bin/jaserelle-server"_s).toUtf8() + " --listen 0.0.0.0:80"));
        for (const QString &program : {u"jaserelle"_s, u"jaserelle-server"_s})
            QCOMPARE(run(at(u"bin/"_s + program), {u"--version"_s}),
                     std::make_pair(0, program.toUtf8() + " " JASERELLE_VERSION_FOR_TEST "\n"));
    }

    // The installed client's first start makes the user's own settings from the default under share/.
    void installedClientKeepsItsSettingsInTheUsersFolder()
    {
        const QString config = tmp.filePath(u"config"_s), seed = at(u"share/jaserelle/jaserelle.ini"_s);
        QVERIFY(QDir().mkpath(tmp.filePath(u"run"_s)));
        QFile::setPermissions(tmp.filePath(u"run"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcess client;
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        qputenv("XDG_RUNTIME_DIR", tmp.filePath(u"run"_s).toUtf8());
        client.start(at(u"bin/jaserelle"_s), {});
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(config + u"/jaserelle/jaserelle.ini"_s), 20000);
        client.kill();
        client.waitForFinished();
        QCOMPARE(fileBytes(config + u"/jaserelle/jaserelle.ini"_s), fileBytes(seed));

        const ClientFiles files =
            locateClientFiles(at(u"bin"_s), tmp.filePath(u"other"_s), {tmp.filePath(u"none"_s), seed});
        QCOMPARE((QStringList{files.configDir, files.seedIni, files.dataDir}),
                 (QStringList{tmp.filePath(u"other"_s), seed, at(u"share/jaserelle"_s)}));
    }
};

QTEST_MAIN(TestInstall)
#include "test_install.moc"
