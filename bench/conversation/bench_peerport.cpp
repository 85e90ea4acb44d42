// How much a flood of silent connections to the peer port costs the client, and whether its event
// loop keeps up meanwhile. The client's conversation windows are built offscreen, listening on
// 127.0.0.2:13196 inside a network namespace of their own (when one can be made), and a forked
// child opens the connections and holds them open without a byte.
//
//   bench_peerport [connections]   (default 5000)

#include "bench/support/benchdesktop.h"
#include "client/conversation/conversationwindows.h"
#include "client/platform/platform.h"
#include "client/shell/clientstate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace jaserelle::client;
using jaserelle::bench::ownNetwork;
using jaserelle::bench::QuietDesktop;

namespace {

constexpr const char *listenAddress = "127.0.0.2";
constexpr int peerPortNumber = 13196;

void raiseFileLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

long rssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

int openDescriptors()
{
    int count = 0;
    for (int fd = 0; fd < 65536; ++fd)
        count += fcntl(fd, F_GETFD) != -1 ? 1 : 0;
    return count;
}

// The child: waits for the go, opens the connections without sending anything, says how many
// succeeded, and holds them until told to stop.
[[noreturn]] void flood(int count, int goFd, int doneFd)
{
    char byte = 0;
    if (read(goFd, &byte, 1) != 1)
        _exit(1);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(peerPortNumber);
    inet_pton(AF_INET, listenAddress, &to.sin_addr);
    std::vector<int> held;
    for (int i = 0; i < count; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0)
            break;
        if (connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0) {
            close(fd);
            continue;
        }
        held.push_back(fd);
    }
    const int made = static_cast<int>(held.size());
    if (write(doneFd, &made, sizeof made) != sizeof made)
        _exit(1);
    // Holds until the parent has measured; an error only means the parent is gone already.
    [[maybe_unused]] const ssize_t go = read(goFd, &byte, 1);
    _exit(0);
}

} // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 5000;
    ownNetwork();
    raiseFileLimit();
    int go[2], done[2];
    if (pipe(go) != 0 || pipe(done) != 0)
        return 1;
    const pid_t child = fork();
    if (child == 0)
        flood(count, go[0], done[1]);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QuietDesktop desktop;
    Platform platform{desktop, desktop, desktop, desktop, desktop, desktop};
    ClientState state;
    state.userLogin = QStringLiteral("bench");
    state.localAddress = QHostAddress(QString::fromLatin1(listenAddress));
    ConversationWindows windows(state, platform);
    if (!windows.start()) {
        std::puts("the peer port could not be taken");
        return 1;
    }
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const long idle = rssKiB();

    // The event loop's longest stall while the connections pour in: what the user feels.
    QElapsedTimer sinceTick;
    qint64 worstGap = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] { worstGap = std::max(worstGap, sinceTick.restart()); });
    sinceTick.start();
    tick.start();

    char byte = 1;
    (void)!write(go[1], &byte, 1);
    int made = -1;
    QElapsedTimer run;
    run.start();
    // Gather until the child has connected everything and the descriptors stop changing.
    int lastFds = -1;
    QElapsedTimer stable;
    stable.start();
    while (run.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (made < 0) {
            pollfd pfd{done[0], POLLIN, 0};
            if (poll(&pfd, 1, 0) == 1 && read(done[0], &made, sizeof made) != sizeof made)
                made = 0;
        }
        const int fds = openDescriptors();
        if (fds != lastFds) {
            lastFds = fds;
            stable.restart();
        } else if (made >= 0 && stable.elapsed() > 1000) {
            break;
        }
    }
    const long after = rssKiB();
    tick.stop();
    (void)!write(go[1], &byte, 1);
    waitpid(child, nullptr, 0);

    std::printf("connections opened        %d\n", made);
    std::printf("descriptors held          %d\n", lastFds);
    std::printf("conversation windows      %d\n", windows.conversationCount());
    std::printf("notices shown             %d\n", desktop.notices);
    std::printf("RSS idle                  %.1f MiB\n", idle / 1024.0);
    std::printf("RSS after the connections %.1f MiB (+%.1f MiB, %.1f KiB per connection)\n", after / 1024.0,
                (after - idle) / 1024.0, made > 0 ? double(after - idle) / made : 0.0);
    std::printf("longest event-loop stall  %lld ms\n", static_cast<long long>(worstGap));
    return 0;
}
