#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The real call relay (scripts/run-relay, coturn) on a loopback address of the test's own, with a
// secret of its own, stopped when the object goes. The community server is given the same secret
// through secretFile().
class RelayProcess
{
public:
    explicit RelayProcess(QString address = QStringLiteral("127.0.0.50"), quint16 port = 3478);
    ~RelayProcess();

    // False (with the reason in log()) when coturn is missing or does not answer in time.
    bool start(int timeoutMs = 20000);
    QString address() const { return address_; }
    quint16 port() const { return port_; }
    QString hostWithPort() const { return address_ + u':' + QString::number(port_); }
    QString secretFile() const { return dir_.filePath(QStringLiteral("secret")); }
    QByteArray log() { return process_.readAll(); }
    qint64 pid() const { return process_.processId(); }

private:
    QTemporaryDir dir_;
    QProcess process_;
    QString address_;
    quint16 port_;
};
