#pragma once

#include "tests/support/childprocess.h"

#include <QTemporaryDir>

// The real call relay (scripts/run-relay, coturn) on a loopback address, with a secret of its own.
class RelayProcess
{
public:
    explicit RelayProcess(QString address = QStringLiteral("127.0.0.50"), quint16 port = 3478)
        : address_(std::move(address)), port_(port)
    {
    }
    ~RelayProcess() { stopChild(process_); } // run-relay stops coturn and removes its folder on SIGTERM

    // False (with the reason in log()) when coturn is missing or does not answer in time.
    bool start(int timeoutMs = 20000);
    QString address() const { return address_; }
    QString hostWithPort() const { return address_ + u':' + QString::number(port_); }
    QString secretFile() const { return dir_.filePath(QStringLiteral("secret")); }
    QByteArray log() { return process_.readAll(); }

private:
    QTemporaryDir dir_;
    QProcess process_;
    QString address_;
    quint16 port_;
};
