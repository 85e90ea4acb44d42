#include "tests/support/communityserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

CommunityServer::~CommunityServer()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(2000);
    }
}

QString CommunityServer::binary()
{
    QString dir = qEnvironmentVariable("JASERELLE_BIN_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath() + u"/../../bin"_s;
    return QDir(dir).filePath(u"jaserelle-server"_s);
}

bool CommunityServer::start(int timeoutMs, const QStringList &extraArgs)
{
    {
        QTcpServer probe; // a port nobody uses right now
        if (!probe.listen(QHostAddress::LocalHost, 0))
            return false;
        port_ = probe.serverPort();
    }
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(binary(), QStringList{u"--listen"_s, hostWithPort(), u"--data"_s, dir_.path(), u"--demo"_s} + extraArgs);
    if (!process_.waitForStarted(5000))
        return false;
    return QTest::qWaitFor(
               [&] {
                   if (process_.state() != QProcess::Running)
                       return true;
                   QTcpSocket probe;
                   probe.connectToHost(QHostAddress::LocalHost, port_);
                   return probe.waitForConnected(100);
               },
               timeoutMs) &&
           process_.state() == QProcess::Running;
}
