#include "tests/support/relayprocess.h"

#include "tests/support/childprocess.h"

#include <QFile>

RelayProcess::RelayProcess(QString address, quint16 port) : address_(std::move(address)), port_(port) {}

RelayProcess::~RelayProcess()
{
    // run-relay stops coturn and removes its folder on SIGTERM.
    stopChild(process_);
}

bool RelayProcess::start(int timeoutMs)
{
    QFile secret(secretFile());
    if (!secret.open(QIODevice::WriteOnly))
        return false;
    secret.write("test-relay-secret-" + QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + "\n");
    secret.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("RELAY_PORT"), QString::number(port_));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral(JASERELLE_SOURCE_DIR "/scripts/run-relay"), {address_, secretFile()});
    return startedAndListening(process_, QHostAddress(address_), port_, timeoutMs);
}
