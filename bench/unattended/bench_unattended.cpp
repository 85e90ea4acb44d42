// A client nobody attends to, under two faults:
// - the real community server goes away for a few seconds and comes back: how long after its
//   return the member is online again with the real refresh beat, and how many boxes were up;
// - a stranger calls and hangs up over and over on the peer port: how much the client's memory
//   grows, and what is left behind.
//
//   bench_unattended [cycles]   (default 1500; run through run-unattended)

#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/peerlink.h"
#include "client/conversation/peerpackets.h"
#include "tests/support/communityserver.h"
#include "tests/support/member.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <cstdio>
#include <unistd.h>

using namespace jaserelle::client;

namespace {

double rssMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Runs the event loop until `done`, woken by every event rather than by polling.
template <typename Done> bool waitUntil(Done done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QTimer wake; // events enough to look at the clock again, whatever happens on the sockets
    wake.start(20);
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void flushDeletes()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

int outage()
{
    CommunityServer server;
    if (!server.start()) {
        std::puts("outage: the server does not start");
        return 1;
    }
    Member thomas(server.hostWithPort(), QStringLiteral("127.0.0.2"));
    if (!thomas.logIn(QStringLiteral("thomas"))) {
        std::puts("outage: no login");
        return 1;
    }
    RecordingNotifier &boxes = thomas.desktop.notifier;
    boxes.attended = false;
    qsizetype mostUp = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { mostUp = std::max(mostUp, boxes.openBoxes().size()); });
    watch.start(10);

    // Down for a refresh (one of the beat, started at once), then back: the member waits for the
    // next tick of the real beat.
    server.stop();
    thomas.engine().startRefresh();
    if (!QTest::qWaitFor([&] { return !boxes.openBoxes().isEmpty(); }, 35000)) {
        std::puts("outage: the failed refresh was never announced");
        return 1;
    }
    QTest::qWait(2000);
    int handled = 0;
    QObject::connect(&thomas.engine(), &RequestEngine::replyHandled,
                     [&](RequestKind kind) { handled += kind == RequestKind::Refresh; });
    if (!server.restart()) {
        std::puts("outage: the server does not come back");
        return 1;
    }
    QElapsedTimer back;
    back.start();
    const bool online = QTest::qWaitFor([&] { return handled > 0; }, 40000);
    std::printf("outage: %s %.1f s after the server's return (refresh beat %d s); boxes up at most %lld, "
                "up at the end %lld\n",
                online ? "back online" : "NOT back online within 40 s", back.elapsed() / 1000.0,
                RequestEngine::refreshIntervalMs / 1000, static_cast<long long>(mostUp),
                static_cast<long long>(boxes.openBoxes().size()));
    return online ? 0 : 1;
}

int storm(int cycles)
{
    ClientState state;
    state.userLogin = QStringLiteral("bob");
    state.localAddress = QHostAddress(QStringLiteral("127.0.0.5"));
    RecordingPlatform desktop;
    Platform platform = desktop.platform();
    ConversationWindows windows(state, platform);
    if (!windows.start()) {
        std::puts("storm: the peer port is taken");
        return 1;
    }
    flushDeletes();
    const double before = rssMiB();
    QElapsedTimer clock;
    clock.start();
    int rang = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        QTcpSocket caller;
        caller.connectToHost(state.localAddress, peerPort);
        caller.write("CONVERSATIONREQUESTED:stormTHISISTHEENDOFTHEPACKET");
        const int index = windows.conversationCount();
        rang += waitUntil(
            [&] {
                const Conversation *conversation = windows.at(index);
                return conversation && conversation->isRinging();
            },
            2000);
        if (cycle % 2)
            caller.abort();
        else
            caller.disconnectFromHost();
        if (!waitUntil([&] { return windows.conversation(index) == nullptr; }, 2000))
            std::printf("storm: window %d still there after the hang-up\n", index);
    }
    flushDeletes();
    QTest::qWait(200);
    flushDeletes();
    int alive = 0;
    for (int i = 1; i <= windows.conversationCount(); ++i)
        alive += windows.conversation(i) != nullptr;
    int visible = 0;
    for (const QWidget *widget : QApplication::topLevelWidgets())
        visible += widget->isVisible();
    std::printf("storm: %d cycles (%d rang) in %.1f s; RSS %.1f -> %.1f MiB (%+.1f MiB); windows left %d "
                "(the spare), visible %d, boxes %lld\n",
                cycles, rang, clock.elapsed() / 1000.0, before, rssMiB(), rssMiB() - before, alive, visible,
                static_cast<long long>(desktop.notifier.shown.size()));
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1500;
    const int stormed = storm(cycles);
    const int recovered = outage();
    return stormed | recovered;
}
