#include "client/security/passwordstore.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

namespace {

QStringList filesHolding(const QString &folder, const QByteArray &text)
{
    QStringList found;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        if (QFile file(it.next()); file.open(QIODevice::ReadOnly) && file.readAll().contains(text))
            found.append(file.fileName());
    return found;
}

// The store's answers, waited for; nullopt when none came.
std::optional<bool> kept(PasswordStore &store, const QString &account, const QString &password)
{
    std::optional<bool> got;
    store.write(account, password, [&](bool ok) { got = ok; });
    return QTest::qWaitFor([&] { return got.has_value(); }, 20000) ? got : std::nullopt;
}
// The password read back; "" when the store has none, "?" when it did not answer.
QString readBack(PasswordStore &store, const QString &account)
{
    std::optional<QString> got;
    store.read(account, [&](std::optional<QString> password) { got = password.value_or(QString()); });
    return QTest::qWaitFor([&] { return got.has_value(); }, 20000) ? *got : u"?"_s;
}

} // namespace

class TestKeyring : public QObject
{
    Q_OBJECT

    QTemporaryDir home_;
    QProcess bus_;
    QProcess keyring_;

private slots:
    void initTestCase()
    {
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_DATA_HOME", home_.filePath(u"data"_s).toUtf8());
        qputenv("XDG_CONFIG_HOME", home_.filePath(u"config"_s).toUtf8());
        qputenv("XDG_RUNTIME_DIR", home_.path().toUtf8());
        bus_.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        QVERIFY(bus_.waitForStarted() && bus_.waitForReadyRead(10000));
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus_.readLine().trimmed());
    }
    void cleanupTestCase()
    {
        for (QProcess *process : {&keyring_, &bus_})
            process->kill(), process->waitForFinished();
    }

    // Kept, read back under its own account only, forgotten; never in clear on the disk. Without the
    // keyring nothing is kept, nor falls back to a file (QtKeychain picks its backend once, so last).
    void keptReadAndForgottenThenNothingWithoutKeyring()
    {
        keyring_.start(u"gnome-keyring-daemon"_s,
                       {u"--foreground"_s, u"--unlock"_s, u"--components=secrets"_s});
        QVERIFY2(keyring_.waitForStarted(), "gnome-keyring-daemon (scripts/install-deps) is needed");
        keyring_.write("test-keyring-password");
        keyring_.closeWriteChannel();
        QVERIFY(QTest::qWaitFor(
            [&] {
                QProcess ask;
                ask.start(u"dbus-send"_s,
                          {u"--session"_s, u"--print-reply"_s, u"--dest=org.freedesktop.DBus"_s, u"/"_s,
                           u"org.freedesktop.DBus.NameHasOwner"_s, u"string:org.freedesktop.secrets"_s});
                return ask.waitForFinished() && ask.readAllStandardOutput().contains("true");
            },
            10000));

        const auto store = makeKeyringPasswordStore();
        QCOMPARE(kept(*store, u"jean@ici:8080"_s, u"motdepasse2"_s), std::optional(true));
        QCOMPARE(readBack(*store, u"jean@ici:8080"_s), u"motdepasse2"_s);
        QCOMPARE(readBack(*store, u"jean@ailleurs:8080"_s), QString());
        QCOMPARE(filesHolding(home_.path(), "motdepasse2"), QStringList());
        store->remove(u"jean@ici:8080"_s);
        QVERIFY(QTest::qWaitFor([&] { return readBack(*store, u"jean@ici:8080"_s).isEmpty(); }, 10000));

        keyring_.kill();
        keyring_.waitForFinished();
        const auto none = makeKeyringPasswordStore();
        QCOMPARE(kept(*none, u"jean@ici:8080"_s, u"motdepasse1"_s), std::optional(false));
        QCOMPARE(filesHolding(home_.path(), "motdepasse1"), QStringList());
        QCOMPARE(readBack(*none, u"jean@ici:8080"_s), QString());
    }
};

QTEST_MAIN(TestKeyring)
#include "test_keyring.moc"
