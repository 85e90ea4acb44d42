#pragma once

#include "tests/support/childprocess.h"

#include <QTemporaryDir>
#include <memory>

// The real jaserelle-server with the demo community on a free loopback port, with its own data.
class CommunityServer
{
public:
    ~CommunityServer() { stop(); }

    // HTTPS as well, on a port of its own, with these PEM files (call before start()).
    void serveTls(const QString &certificate, const QString &key)
    {
        tlsArguments_ = {QStringLiteral("--tls-cert"), certificate, QStringLiteral("--tls-key"), key};
    }
    bool start(int timeoutMs = 20000, const QStringList &extraArgs = {});
    // An outage: the process goes, and comes back on the same port with the same data.
    void stop() { stopChild(process_); }
    bool restart(int timeoutMs = 20000) { return stop(), launch(timeoutMs); }
    QString hostWithPort() const { return QStringLiteral("127.0.0.1:") + QString::number(port_); }
    // The HTTPS listener as a client's ini names it; the test certificates are for "localhost".
    QString tlsHost() const { return QStringLiteral("https://localhost:") + QString::number(tlsPort_); }
    // A throw-away authority and a certificate it signs, in `dir`: ca.pem, server.pem, server.key.
    static bool makeCertificates(const QString &dir);
    static QString binary(); // build/bin/jaserelle-server
    // Everything it has written so far (its access log goes to its standard error).
    QByteArray log() { return log_ += process_.readAll(); }

private:
    bool launch(int timeoutMs);
    QStringList extraArgs_; // kept for a restart
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
    quint16 tlsPort_ = 0;
    QStringList tlsArguments_;
    QByteArray log_;
};
