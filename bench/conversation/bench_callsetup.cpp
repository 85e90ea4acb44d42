// Call set-up time, plain against encrypted: from the click on "L'appeler" to the ring on the
// other side, between two clients in one process on loopback (a network namespace of its own when
// one can be made). The encrypted call adds a TLS 1.3 handshake with both certificates.
//
//   bench_callsetup [calls]   (default 200 of each)

#include "bench/support/benchdesk.h"
#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/platform/platform.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace jaserelle::client;
using jaserelle::bench::Desk;
using jaserelle::bench::ownNetwork;
using jaserelle::bench::QuietDesktop;

namespace {

// Microseconds from the call to the ring, for each of `calls` calls; each call is refused once it
// rings, so the next starts from a quiet pair.
std::vector<double> setUpTimes(Desk &alice, Desk &bob, int calls)
{
    QTreeWidget list;
    auto *row = new QTreeWidgetItem(
        &list, QStringList{QStringLiteral("bob"), {}, {}, {}, QStringLiteral("127.0.0.3")});
    contactrow::setOnline(row, true);
    std::vector<double> times;
    QElapsedTimer clock;
    for (int i = 0; i < calls; ++i) {
        const int callee = bob.windows->conversationCount();
        clock.start();
        alice.windows->callFromRow(CallSource::Favoris, row);
        FrmConversation *window = bob.windows->conversation(callee);
        while (!window->incomingForm().isVisible() && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1000.0);
        window->setConnectNo();
        for (int j = 0; j < 20; ++j)
            QCoreApplication::processEvents();
    }
    return times;
}

void report(const char *what, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("%-10s median %8.0f us   p90 %8.0f us   (%zu calls)\n", what, times[times.size() / 2],
                times[times.size() * 9 / 10], times.size());
}

} // namespace

int main(int argc, char **argv)
{
    const int calls = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    ownNetwork();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QuietDesktop desktop;
    Desk alice(desktop, QStringLiteral("alice"), QStringLiteral("127.0.0.2"));
    Desk bob(desktop, QStringLiteral("bob"), QStringLiteral("127.0.0.3"));
    for (Desk *desk : {&alice, &bob})
        desk->windows->security().identity = makeIdentity(desk->state.userLogin);
    if (!alice.windows->start() || !bob.windows->start()) {
        std::puts("the peer port could not be taken");
        return 1;
    }
    report("plain", setUpTimes(alice, bob, calls));
    alice.windows->security().published.insert(QStringLiteral("bob"),
                                               bob.windows->security().identity->fingerprint());
    bob.windows->security().published.insert(QStringLiteral("alice"),
                                             alice.windows->security().identity->fingerprint());
    report("encrypted", setUpTimes(alice, bob, calls));
    return 0;
}
