#pragma once

#include <QHostAddress>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>

// A helper process the test started: asked to stop, then killed if it will not.
inline void stopChild(QProcess &p)
{
    if (p.state() != QProcess::NotRunning && (p.terminate(), !p.waitForFinished(5000)))
        p.kill(), p.waitForFinished(2000);
}

// A helper process just started: true once it accepts connections on `port`.
inline bool startedAndListening(QProcess &p, const QHostAddress &host, quint16 port, int timeoutMs)
{
    if (!p.waitForStarted(5000))
        return false;
    const auto listening = [&] {
        QTcpSocket probe;
        probe.connectToHost(host, port);
        return probe.waitForConnected(100);
    };
    return QTest::qWaitFor([&] { return p.state() != QProcess::Running || listening(); }, timeoutMs) &&
           p.state() == QProcess::Running;
}
