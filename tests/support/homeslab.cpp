#include "tests/support/homeslab.h"

#include "tests/support/childprocess.h"
#include "tests/support/communityserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

const QString script = QStringLiteral(JASERELLE_SOURCE_DIR "/tests/client/network/homes-lab");

int runToEnd(const QStringList &args, QByteArray *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(u"/bin/sh"_s, args);
    if (!p.waitForFinished(60000))
        p.kill();
    if (output)
        *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

QStringList HomesLab::lab(const QStringList &args) const
{
    return QStringList{script, args.value(0), dir_.path()} + args.mid(1);
}

HomesLab::~HomesLab()
{
    stopChild(server_);
    stopChild(relay_);
    if (made_)
        runToEnd(lab({u"down"_s}));
}

bool HomesLab::up(QString *why, bool *skipped)
{
    QByteArray output;
    const int rc = runToEnd(lab({u"up"_s}), &output);
    made_ = true;
    *skipped = rc == 77;
    if (rc != 0)
        return *why = QString::fromLocal8Bit(output).trimmed(), false;
    QFile secret(dir_.filePath(u"secret"_s));
    if (!secret.open(QIODevice::WriteOnly) || secret.write("lab-relay-secret\n") < 0)
        return false;
    secret.close();
    relay_.setProcessChannelMode(QProcess::MergedChannels);
    relay_.start(u"/bin/sh"_s,
                 lab({u"in"_s, u"internet"_s, QStringLiteral(JASERELLE_SOURCE_DIR "/scripts/run-relay"),
                      QString::fromLatin1(serverAddress), secret.fileName()}));
    const bool answering =
        runToEnd(lab({u"wait"_s, u"internet"_s, QString::fromLatin1(serverAddress), u"3478"_s})) == 0 &&
        restartServer();
    if (!answering)
        *why = u"the server or the relay did not start: "_s + QString::fromLocal8Bit(logs());
    return answering;
}

bool HomesLab::restartServer()
{
    stopChild(server_);
    server_.setProcessChannelMode(QProcess::MergedChannels);
    QDir(dir_.path()).mkdir(u"data"_s);
    const QString secret = dir_.filePath(u"secret"_s);
    server_.start(u"/bin/sh"_s,
                  lab({u"in"_s, u"internet"_s, CommunityServer::binary(), u"--listen"_s, serverHost(),
                       u"--data"_s, dir_.filePath(u"data"_s), u"--demo"_s, u"--relay"_s,
                       QString::fromLatin1(serverAddress) + u":3478"_s, u"--relay-secret"_s, secret}));
    return runToEnd(lab({u"wait"_s, u"internet"_s, QString::fromLatin1(serverAddress), u"8080"_s})) == 0;
}

bool HomesLab::upnp(bool on)
{
    return runToEnd(lab({u"upnp"_s, on ? u"on"_s : u"off"_s})) == 0;
}

QByteArray HomesLab::run(const QString &ns, const QStringList &command)
{
    QByteArray output;
    return runToEnd(lab(QStringList{u"in"_s, ns} + command), &output), output;
}

qint64 HomesLab::relayPid() const
{
    // run-relay waits for coturn, its only child.
    QFile children(u"/proc/%1/task/%1/children"_s.arg(relay_.processId()));
    return children.open(QIODevice::ReadOnly) ? children.readAll().trimmed().split(' ').value(0).toLongLong()
                                              : 0;
}

HomesLab::Member::Member(HomesLab &lab, const QString &home, const QString &address)
{
    process_.start(u"/bin/sh"_s, lab.lab({u"in"_s, home, QStringLiteral(LAB_MEMBER_BINARY), u"--server"_s,
                                          lab.serverHost(), u"--address"_s, address}));
    process_.waitForStarted(5000);
}

HomesLab::Member::~Member()
{
    if (process_.state() == QProcess::Running) {
        ask(u"quit"_s, 10000);
        process_.closeWriteChannel();
        if (!process_.waitForFinished(10000))
            stopChild(process_);
    }
}

QString HomesLab::Member::ask(const QString &command, int timeoutMs)
{
    process_.write(command.toUtf8() + '\n');
    QDeadlineTimer deadline(timeoutMs);
    while (!process_.canReadLine()) {
        if (process_.state() != QProcess::Running || deadline.hasExpired())
            return {};
        process_.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    return QString::fromUtf8(process_.readLine()).trimmed();
}

bool HomesLab::Member::ok(const QString &command, QString *detail)
{
    const QString answer = ask(command);
    if (detail)
        *detail = answer.section(u' ', 1);
    return answer == u"ok"_s || answer.startsWith(u"ok "_s);
}
