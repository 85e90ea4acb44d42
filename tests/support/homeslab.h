#pragma once

#include <QProcess>
#include <QTemporaryDir>

// The network lab of two homes (tests/client/network/homes-lab): two routers, and in the "internet"
// the real server and relay. Members are whole clients (lab-member), each in its home.
class HomesLab
{
public:
    static constexpr const char *serverAddress = "11.22.0.1";
    static constexpr const char *routerB = "11.22.2.2"; // home B's public address

    ~HomesLab();

    // False with the reason; `skipped` says the machine cannot make the lab (no namespaces).
    bool up(QString *why, bool *skipped);
    // A server that has forgotten every session and every probe it counted.
    bool restartServer();
    // miniupnpd on router B; off forgets the forwards it made.
    bool upnp(bool on);
    // A command in one of the namespaces (internet, routerA, routerB, homeA, homeB): its output.
    QByteArray run(const QString &ns, const QStringList &command);
    // The relay's own process (coturn), for its CPU time.
    qint64 relayPid() const;
    QString serverHost() const { return QString::fromLatin1(serverAddress) + QStringLiteral(":8080"); }
    QByteArray logs() { return "server: " + server_.readAll() + "\nrelay: " + relay_.readAll(); }

    class Member
    {
    public:
        Member(HomesLab &lab, const QString &home, const QString &address);
        ~Member();
        // One command, one answer line ("ok ..." or "fail ..."); an empty one when the member died.
        QString ask(const QString &command, int timeoutMs = 45000);
        bool ok(const QString &command, QString *detail = nullptr);
        QByteArray errors() { return process_.readAllStandardError(); }

    private:
        QProcess process_;
    };

private:
    QStringList lab(const QStringList &args) const;
    QTemporaryDir dir_;
    bool made_ = false;
    QProcess server_;
    QProcess relay_;
};
