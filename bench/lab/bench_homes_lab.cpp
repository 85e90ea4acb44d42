// Calls between two homes in the network lab (tests/client/network/homes-lab), as root:
//   - set-up time of a call, from the caller's click to the callee's ringing window, direct
//     through the forward the callee's client made by UPnP, then through the relay (median of 10);
//   - the relay's CPU time per MB of messages it carries (coturn's utime+stime from /proc).
// Prints one line per figure. Takes about a minute.
#include "tests/support/homeslab.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using Member = HomesLab::Member;

namespace {

bool must(bool ok, const char *what)
{
    if (!ok)
        std::fprintf(stderr, "bench_homes_lab: %s failed\n", what);
    return ok;
}

bool ready(Member &m, const QString &pseudo, const QString &state)
{
    return must(m.ok(u"wait-door"_s) && m.ok(u"login "_s + pseudo) && m.ok(u"wait-state "_s + state),
                "log in");
}

// Median set-up time in ms of `rounds` calls from caller to callee; each is answered, then hung up.
double medianSetup(Member &caller, Member &callee, const QString &calleePseudo, int rounds)
{
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        if (!must(caller.ok(u"call "_s + calleePseudo) && callee.ok(u"wait-call"_s), "a call")) {
            std::fprintf(stderr, "  round %d: %s / %s\n", i + 1, qPrintable(caller.ask(u"counts"_s)),
                         qPrintable(callee.ask(u"counts"_s)));
            std::fprintf(stderr, "  notices: %s / %s\n", qPrintable(caller.ask(u"notices"_s)),
                         qPrintable(callee.ask(u"notices"_s)));
            return -1;
        }
        ms.push_back(t.nsecsElapsed() / 1e6);
        if (!must(callee.ok(u"accept"_s) && caller.ok(u"wait-open"_s), "answering"))
            return -1;
        caller.ok(u"hangup"_s);
        callee.ok(u"hangup"_s);
    }
    std::sort(ms.begin(), ms.end());
    if (rounds > 1)
        std::printf("  (fastest %.0f ms, slowest %.0f ms)\n", ms.front(), ms.back());
    return rounds % 2 ? ms[rounds / 2] : (ms[rounds / 2 - 1] + ms[rounds / 2]) / 2;
}

double cpuSeconds(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command's closing parenthesis; utime and stime are the 14th and 15th.
    const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return (f.value(11).toDouble() + f.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("JASERELLE_BIN_DIR"))
        qputenv("JASERELLE_BIN_DIR", QCoreApplication::applicationDirPath().toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int rounds =
        qEnvironmentVariableIntValue("BENCH_ROUNDS") > 0 && qEnvironmentVariableIntValue("BENCH_ROUNDS") <= 10
            ? qEnvironmentVariableIntValue("BENCH_ROUNDS")
            : 10;
    HomesLab lab;
    QString why;
    bool skipped = false;
    if (!lab.up(&why, &skipped)) {
        std::fprintf(stderr, "bench_homes_lab: %s\n", qPrintable(why));
        return skipped ? 77 : 1;
    }
    {
        if (!must(lab.upnp(true), "miniupnpd"))
            return 1;
        Member louis(lab, u"homeB"_s, u"192.168.2.10"_s);
        Member chloe(lab, u"homeA"_s, u"192.168.1.10"_s);
        if (!ready(louis, u"louis"_s, u"Reachable"_s) || !ready(chloe, u"chloe"_s, u"Unreachable"_s) ||
            !must(chloe.ok(u"favori louis"_s), "favori"))
            return 1;
        const double direct = medianSetup(chloe, louis, u"louis"_s, rounds);
        std::printf("call set-up, direct through the UPnP forward: median %.0f ms of %d\n", direct, rounds);
        lab.upnp(false);
    }
    // Through the relay: both hold an allocation, and the same caller calls again and again.
    Member hugo(lab, u"homeB"_s, u"192.168.2.10"_s);
    Member emma(lab, u"homeA"_s, u"192.168.1.10"_s);
    if (!ready(hugo, u"hugo"_s, u"Unreachable"_s) || !must(hugo.ok(u"wait-published"_s), "publish") ||
        !must(emma.ok(u"login emma"_s) && emma.ok(u"wait-state Unreachable"_s) &&
                  emma.ok(u"wait-published"_s) && emma.ok(u"favori hugo"_s),
              "the caller"))
        return 1;
    const double relayed = medianSetup(emma, hugo, u"hugo"_s, rounds);
    std::printf("call set-up, through the relay: median %.0f ms of %d\n", relayed, rounds);

    // A relayed call that carries messages of 64 KiB, 8 each way, in turns: 1 MiB of text. Both
    // conversations show every message, the ones sent included.
    constexpr int size = 64 * 1024, count = 8;
    if (!must(emma.ok(u"call hugo"_s) && hugo.ok(u"wait-call"_s) && hugo.ok(u"accept"_s) &&
                  emma.ok(u"wait-open"_s),
              "the carrying call"))
        return 1;
    const qint64 coturn = lab.relayPid();
    const double before = cpuSeconds(coturn);
    QElapsedTimer t;
    t.start();
    for (int i = 1; i <= count; ++i) {
        if (!must(emma.ok(u"say-big %1"_s.arg(size)) && hugo.ok(u"wait-chars %1"_s.arg((2 * i - 1) * size)) &&
                      hugo.ok(u"say-big %1"_s.arg(size)) && emma.ok(u"wait-chars %1"_s.arg(2 * i * size)),
                  "carrying"))
            return 1;
    }
    const double cpu = cpuSeconds(coturn) - before;
    const double mb = 2.0 * count * size / 1e6;
    std::printf("relay (coturn pid %lld): %.2f MB of messages in %.1f s, %.3f s of CPU, %.1f ms CPU per MB\n",
                coturn, mb, t.elapsed() / 1000.0, cpu, 1000.0 * cpu / mb);
    return 0;
}
