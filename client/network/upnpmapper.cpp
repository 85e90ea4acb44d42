#include "client/network/upnpmapper.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>

namespace jaserelle::client {
namespace {

constexpr int conflictInMappingEntry = 718;
constexpr int onlyPermanentLeasesSupported = 725;
constexpr const char *description = "Jaserelle";

// The router found on the local network, freed with it.
struct Router
{
    UPNPUrls urls{};
    IGDdatas data{};
    char lanAddress[64] = {};
    int kind = 0; // UPNP_GetValidIGD: 1 connected IGD, 2 IGD not connected, 3 another UPnP device

    ~Router()
    {
        if (kind != 0)
            FreeUPNPUrls(&urls);
    }
};

} // namespace

MappingOutcome UpnpMapper::map(quint16 port, std::chrono::seconds lease)
{
    MappingOutcome out;
    out.status = MappingOutcome::Status::NoRouter;
    int error = 0;
    UPNPDev *devices =
        upnpDiscover(static_cast<int>(wait_.count()), nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, 2, &error);
    if (!devices)
        return out;
    Router router;
    router.kind =
        UPNP_GetValidIGD(devices, &router.urls, &router.data, router.lanAddress, sizeof router.lanAddress);
    freeUPNPDevlist(devices);
    // A router that says its internet link is down may still forward once it is up: ask anyway.
    if (router.kind != 1 && router.kind != 2)
        return out;

    out.method = QStringLiteral("UPnP");
    out.internalAddress = QString::fromLatin1(router.lanAddress);
    const char *control = router.urls.controlURL;
    const char *service = router.data.first.servicetype;
    char external[40] = {};
    if (UPNP_GetExternalIPAddress(control, service, external) == UPNPCOMMAND_SUCCESS)
        out.externalAddress = QString::fromLatin1(external);

    const QByteArray portText = QByteArray::number(port);
    const auto add = [&](std::chrono::seconds duration) {
        return UPNP_AddPortMapping(control, service, portText.constData(), portText.constData(),
                                   router.lanAddress, description, "TCP", nullptr,
                                   QByteArray::number(duration.count()).constData());
    };
    int result = add(lease);
    if (result == onlyPermanentLeasesSupported) {
        lease = std::chrono::seconds(0);
        result = add(lease);
    }
    if (result == conflictInMappingEntry) {
        // Ours, left from an earlier run with another lease? Then it is ours to replace.
        char client[40] = {}, internalPort[6] = {}, desc[80] = {}, enabled[4] = {}, duration[16] = {};
        if (UPNP_GetSpecificPortMappingEntry(control, service, portText.constData(), "TCP", nullptr, client,
                                             internalPort, desc, enabled, duration) == UPNPCOMMAND_SUCCESS &&
            qstrcmp(client, router.lanAddress) == 0 && portText == internalPort) {
            UPNP_DeletePortMapping(control, service, portText.constData(), "TCP", nullptr);
            result = add(lease);
        }
    }
    if (result != UPNPCOMMAND_SUCCESS) {
        out.status = MappingOutcome::Status::Refused;
        out.errorCode = result;
        return out;
    }
    out.status = MappingOutcome::Status::Mapped;
    out.lease = lease;
    controlUrl_ = control;
    serviceType_ = service;
    return out;
}

void UpnpMapper::unmap(quint16 port)
{
    if (controlUrl_.isEmpty())
        return;
    UPNP_DeletePortMapping(controlUrl_.constData(), serviceType_.constData(),
                           QByteArray::number(port).constData(), "TCP", nullptr);
    controlUrl_.clear();
    serviceType_.clear();
}

} // namespace jaserelle::client
