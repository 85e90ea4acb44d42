#include "tests/support/relayprocess.h"

#include <QFile>

bool RelayProcess::start(int timeoutMs)
{
    QFile secret(secretFile());
    const QByteArray text = "test-relay-secret-" + QByteArray::number(QDateTime::currentMSecsSinceEpoch());
    if (!secret.open(QIODevice::WriteOnly) || secret.write(text + '\n') < 0)
        return false;
    secret.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("RELAY_PORT"), QString::number(port_));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral(JASERELLE_SOURCE_DIR "/scripts/run-relay"), {address_, secretFile()});
    return startedAndListening(process_, QHostAddress(address_), port_, timeoutMs);
}
