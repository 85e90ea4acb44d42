#include "tests/support/communityserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QTcpServer>

using namespace Qt::StringLiterals;

QString CommunityServer::binary()
{
    QString dir = qEnvironmentVariable("JASERELLE_BIN_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath() + u"/../../bin"_s;
    return QDir(dir).filePath(u"jaserelle-server"_s);
}

bool CommunityServer::makeCertificates(const QString &dir)
{
    QProcess make;
    make.start(QStringLiteral(JASERELLE_SOURCE_DIR "/scripts/make-tls-certs"), {dir});
    return make.waitForFinished(30000) && make.exitStatus() == QProcess::NormalExit && make.exitCode() == 0;
}

bool CommunityServer::start(int timeoutMs, const QStringList &extraArgs)
{
    const auto freePort = [] {
        QTcpServer probe; // a port nobody uses right now
        return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : quint16(0);
    };
    port_ = freePort();
    extraArgs_ = extraArgs;
    while (port_ && !tlsArguments_.isEmpty() && (tlsPort_ == 0 || tlsPort_ == port_))
        tlsPort_ = freePort();
    return port_ != 0 && launch(timeoutMs);
}

bool CommunityServer::launch(int timeoutMs)
{
    // A restart comes back on the same ports.
    QStringList arguments{u"--listen"_s, hostWithPort(), u"--data"_s, dir_.path(), u"--demo"_s};
    if (!tlsArguments_.isEmpty())
        arguments << u"--tls-listen"_s << u"127.0.0.1:"_s + QString::number(tlsPort_) << tlsArguments_;
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(binary(), arguments + extraArgs_);
    return startedAndListening(process_, QHostAddress(QHostAddress::LocalHost), port_, timeoutMs);
}
