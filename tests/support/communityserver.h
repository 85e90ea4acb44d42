#pragma once

#include <QHostAddress>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// The real jaserelle-server with the demo community, started for one test on a free loopback port
// with its own data folder, and stopped when the object goes.
class CommunityServer
{
public:
    ~CommunityServer();

    bool start(int timeoutMs = 20000, const QStringList &extraArgs = {});
    QString hostWithPort() const { return QStringLiteral("127.0.0.1:") + QString::number(port_); }
    static QString binary(); // build/bin/jaserelle-server
    QByteArray log() { return process_.readAll(); }

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
};
