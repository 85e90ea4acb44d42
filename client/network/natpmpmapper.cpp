#include "client/network/natpmpmapper.h"

#include <QElapsedTimer>
#include <arpa/inet.h>
#include <natpmp.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

namespace jaserelle::client {
namespace {

// One exchange with the gateway, closed with it.
class Exchange
{
public:
    Exchange() { ok_ = initnatpmp(&n_, 0, 0) == 0; }
    ~Exchange()
    {
        if (ok_)
            closenatpmp(&n_);
    }
    bool ok() const { return ok_; }
    natpmp_t &handle() { return n_; }

    // The answer to the request just sent, or a negative libnatpmp code.
    int answer(natpmpresp_t &response, std::chrono::milliseconds wait)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        int r = NATPMP_TRYAGAIN;
        while (r == NATPMP_TRYAGAIN && elapsed.elapsed() < wait.count()) {
            timeval timeout{};
            getnatpmprequesttimeout(&n_, &timeout);
            const long left = static_cast<long>(wait.count() - elapsed.elapsed());
            if (timeout.tv_sec * 1000 + timeout.tv_usec / 1000 > left)
                timeout = timeval{left / 1000, (left % 1000) * 1000};
            fd_set fds;
            FD_ZERO(&fds);
            FD_SET(n_.s, &fds);
            select(n_.s + 1, &fds, nullptr, nullptr, &timeout);
            r = readnatpmpresponseorretry(&n_, &response);
        }
        return r;
    }

private:
    natpmp_t n_{};
    bool ok_ = false;
};

// This computer's address towards the gateway: the one the router forwards to.
QString localAddressTowards(in_addr_t gateway)
{
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0)
        return {};
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(5351);
    to.sin_addr.s_addr = gateway;
    sockaddr_in local{};
    socklen_t len = sizeof local;
    QString out;
    if (::connect(s, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr *>(&local), &len) == 0) {
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
        out = QString::fromLatin1(text);
    }
    ::close(s);
    return out;
}

} // namespace

MappingOutcome NatPmpMapper::map(quint16 port, std::chrono::seconds lease)
{
    MappingOutcome out;
    out.status = MappingOutcome::Status::NoRouter;
    Exchange x;
    if (!x.ok())
        return out;
    natpmpresp_t response{};
    if (sendpublicaddressrequest(&x.handle()) < 0 || x.answer(response, wait_) < 0)
        return out; // nothing speaks NAT-PMP at the gateway
    out.method = QStringLiteral("NAT-PMP");
    out.internalAddress = localAddressTowards(x.handle().gateway);
    char external[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &response.pnu.publicaddress.addr, external, sizeof external);
    out.externalAddress = QString::fromLatin1(external);

    out.status = MappingOutcome::Status::Refused;
    const auto seconds = static_cast<uint32_t>(lease.count());
    if (sendnewportmappingrequest(&x.handle(), NATPMP_PROTOCOL_TCP, port, port, seconds) < 0)
        return out;
    const int r = x.answer(response, wait_);
    if (r < 0) {
        out.errorCode = -r;
        return out;
    }
    if (response.pnu.newportmapping.mappedpublicport != port) {
        sendnewportmappingrequest(&x.handle(), NATPMP_PROTOCOL_TCP, port, 0, 0);
        x.answer(response, wait_);
        return out;
    }
    out.status = MappingOutcome::Status::Mapped;
    out.lease = std::chrono::seconds(response.pnu.newportmapping.lifetime);
    mapped_ = true;
    return out;
}

void NatPmpMapper::unmap(quint16 port)
{
    if (!mapped_)
        return;
    mapped_ = false;
    Exchange x;
    natpmpresp_t response{};
    // A lifetime of 0 removes the forward.
    if (x.ok() && sendnewportmappingrequest(&x.handle(), NATPMP_PROTOCOL_TCP, port, 0, 0) >= 0)
        x.answer(response, wait_);
}

} // namespace jaserelle::client
