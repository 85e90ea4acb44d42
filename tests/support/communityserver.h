#pragma once

#include <QHostAddress>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// The real jaserelle-server, started for one test on a free loopback port with its own data
// folder, and stopped when the object goes.
class CommunityServer
{
public:
    explicit CommunityServer(bool demo = true);
    ~CommunityServer();

    bool start(int timeoutMs = 20000);
    bool isRunning() const { return process_.state() == QProcess::Running; }
    quint16 port() const { return port_; }
    QString hostWithPort() const { return QStringLiteral("127.0.0.1:") + QString::number(port_); }
    QString dataDir() const { return dir_.path(); }
    static QString binary(); // build/bin/jaserelle-server
    // Runs an admin subcommand against this server's data folder; returns its exit code.
    int admin(const QStringList &args, QByteArray *output = nullptr) const;
    QByteArray log() { return process_.readAll(); }

private:
    bool demo_;
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
};
