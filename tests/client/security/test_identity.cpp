#include "client/security/identity.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace jaserelle::client;

class TestIdentity : public QObject
{
    Q_OBJECT
private slots:
    void madeOnceThenKept();
    void damagedFileIsKeptAndRefused();
};

void TestIdentity::madeOnceThenKept()
{
    QTemporaryDir home;
    const QString folder = home.filePath("config/jaserelle");
    const auto first = loadOrCreateIdentity(folder);
    QVERIFY(first);
    QVERIFY(!first->key.isNull());
    QCOMPARE(first->key.algorithm(), QSsl::Ec);
    QCOMPARE(first->fingerprint().size(), 64);
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    QCOMPARE(QFile::permissions(identityFile(folder)) & others, QFileDevice::Permissions());

    const auto again = loadOrCreateIdentity(folder);
    QVERIFY(again);
    QCOMPARE(again->fingerprint(), first->fingerprint());
    QCOMPARE(again->key.toPem(), first->key.toPem());

    // Two clients never share a key.
    QVERIFY(makeIdentity()->fingerprint() != first->fingerprint());
}

void TestIdentity::damagedFileIsKeptAndRefused()
{
    QTemporaryDir home;
    QFile file(identityFile(home.path()));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a key\n");
    file.close();

    QString error;
    QVERIFY(!loadOrCreateIdentity(home.path(), &error));
    QVERIFY(error.contains("identity.pem"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("not a key\n"));
}

QTEST_GUILESS_MAIN(TestIdentity)
#include "test_identity.moc"
