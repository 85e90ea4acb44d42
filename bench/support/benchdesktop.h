#pragma once

// What the client benches share: a desktop that shows nothing and answers every box at once,
// and a loopback of the bench's own.

#include "client/platform/platform.h"

#include <cstdio>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace jaserelle::bench {

struct QuietDesktop : client::Notifier,
                      client::SoundPlayer,
                      client::Browser,
                      client::InstanceGuard,
                      client::AppLifetime,
                      client::Clock
{
    void notify(const client::Notice &, AfterClose then) override
    {
        ++notices;
        if (then)
            then();
    }
    void withdraw(const client::Notice &) override {}
    bool hasDevice() const override { return false; }
    void play(const QString &) override {}
    void open(const QString &) override {}
    bool claim() override { return true; }
    void endApplication() override {}
    QTime currentTime() const override { return QTime(12, 0); }
    int notices = 0;
};

// A loopback of our own, so that no running client or demo on this machine is met.
inline void ownNetwork()
{
    if (unshare(CLONE_NEWNET) != 0) {
        std::puts("(no network namespace: running beside whatever holds the port)");
        return;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq ifr{};
    std::snprintf(ifr.ifr_name, IFNAMSIZ, "lo");
    if (ioctl(fd, SIOCGIFFLAGS, &ifr) == 0) {
        ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
        ioctl(fd, SIOCSIFFLAGS, &ifr);
    }
    close(fd);
}

} // namespace jaserelle::bench
