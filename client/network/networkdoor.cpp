#include "client/network/networkdoor.h"

#include "client/network/natpmpmapper.h"
#include "client/network/portmapping.h"
#include "client/network/reachability.h"
#include "client/network/reachabilityprobe.h"
#include "client/network/upnpmapper.h"
#include "common/peerprobe.h"

#include <QEvent>
#include <QMainWindow>
#include <QNetworkInformation>
#include <QStatusBar>

namespace jaserelle::client {

NetworkDoor::NetworkDoor(const ClientState &state, Reachability &reachability,
                         std::unique_ptr<PortMapping> mapping, QObject *parent)
    : QObject(parent), state_(state), reachability_(reachability), mapping_(std::move(mapping)),
      probe_(std::make_unique<ReachabilityProbe>(state, reachability))
{
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &NetworkDoor::probe);
    connect(mapping_.get(), &PortMapping::outcomeChanged, this, [this] {
        update();
        // A door just opened or closed: what the server sees has changed with it.
        if (window_ && window_->isVisible())
            probe();
    });
    connect(probe_.get(), &ReachabilityProbe::answered, this, [this](ProbeAnswer a) {
        if (a == ProbeAnswer::Unknown && answer_ != ProbeAnswer::NotOffered && !retry_.isActive())
            retry_.start(probeRetryMs);
        // An Unknown keeps what a recent probe found: the server only declined to knock again.
        if (a != ProbeAnswer::Unknown || answer_ == ProbeAnswer::NotOffered)
            answer_ = a;
        update();
    });
    update();
}

NetworkDoor::~NetworkDoor()
{
    close();
}

void NetworkDoor::watch(QWidget *mainWindow)
{
    if (window_)
        window_->removeEventFilter(this);
    window_ = mainWindow;
    if (window_)
        window_->installEventFilter(this);
    update();
}

bool NetworkDoor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window_ && event->type() == QEvent::Show)
        probe();
    return QObject::eventFilter(watched, event);
}

void NetworkDoor::probe()
{
    if (answer_ == ProbeAnswer::NotOffered)
        return;
    probe_->ask();
}

void NetworkDoor::close()
{
    mapping_->remove();
}

QString NetworkDoor::summary() const
{
    return doorSummary(mapping_->outcome(), judgeCallable(mapping_->outcome(), answer_));
}

void NetworkDoor::update()
{
    switch (judgeCallable(mapping_->outcome(), answer_)) {
    case Callable::Yes:
        reachability_.setState(Reachability::State::Reachable);
        break;
    case Callable::No:
        reachability_.setState(Reachability::State::Unreachable);
        break;
    case Callable::Unknown:
        reachability_.setState(Reachability::State::Unknown);
        break;
    }
    if (auto *main = qobject_cast<QMainWindow *>(window_.data()))
        main->statusBar()->setToolTip(summary());
}

std::unique_ptr<NetworkDoor> openNetworkDoor(const ClientState &state, Reachability &reachability)
{
    std::vector<std::unique_ptr<PortMapper>> mappers;
    mappers.push_back(std::make_unique<UpnpMapper>());
    mappers.push_back(std::make_unique<NatPmpMapper>());
    auto mapping = std::make_unique<PortMapping>(std::move(mappers), probedPeerPort, PortMapping::Timing{});
    PortMapping *raw = mapping.get();
    auto door = std::make_unique<NetworkDoor>(state, reachability, std::move(mapping));
    // Where the system can tell (NetworkManager), a change of network asks the router again at
    // once; elsewhere the retries and renewals catch up within minutes.
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        if (auto *info = QNetworkInformation::instance())
            QObject::connect(info, &QNetworkInformation::reachabilityChanged, raw,
                             &PortMapping::networkChanged);
    }
    raw->start();
    return door;
}

} // namespace jaserelle::client
