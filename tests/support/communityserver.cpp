#include "tests/support/communityserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

CommunityServer::~CommunityServer()
{
    stop();
}

void CommunityServer::stop()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(2000);
    }
}

bool CommunityServer::restart(int timeoutMs)
{
    stop();
    return launch(timeoutMs);
}

QString CommunityServer::binary()
{
    QString dir = qEnvironmentVariable("JASERELLE_BIN_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath() + u"/../../bin"_s;
    return QDir(dir).filePath(u"jaserelle-server"_s);
}

bool CommunityServer::start(int timeoutMs)
{
    {
        QTcpServer probe; // a port nobody uses right now
        if (!probe.listen(QHostAddress::LocalHost, 0))
            return false;
        port_ = probe.serverPort();
    }
    return launch(timeoutMs);
}

bool CommunityServer::launch(int timeoutMs)
{
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(binary(), {u"--listen"_s, hostWithPort(), u"--data"_s, dir_.path(), u"--demo"_s});
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
