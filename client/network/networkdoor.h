#pragma once

#include "client/network/doorstate.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class QWidget;

namespace jaserelle::client {

struct ClientState;
class PortMapping;
class Reachability;
class ReachabilityProbe;

// Whether this computer can be called, kept up to date and shown where the user can look it up
// without being interrupted: the router's forward (PortMapping), the server's probe once the user
// is logged in, the verdict set on the shared Reachability, and both summed up in the tooltip of
// the main window's status bar. No failure here is ever a message box: a router that refuses or
// is not there is a fact to look up, not an error.
class NetworkDoor : public QObject
{
    Q_OBJECT

public:
    // After a probe the server could not answer (asked too often), one more try after this.
    static constexpr int probeRetryMs = 65000;

    NetworkDoor(const ClientState &state, Reachability &reachability, std::unique_ptr<PortMapping> mapping,
                QObject *parent = nullptr);
    ~NetworkDoor() override;

    // The main window: its status bar carries the summary, and its showing means a logged-in user,
    // who may ask the server's probe.
    void watch(QWidget *mainWindow);
    // A fresh question to the server (the user has just logged in, the network changed).
    void probe();
    // Quit, logoff, termination: the forward goes now.
    void close();

    QString summary() const;
    PortMapping &mapping() { return *mapping_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void update();

    const ClientState &state_;
    Reachability &reachability_;
    std::unique_ptr<PortMapping> mapping_;
    std::unique_ptr<ReachabilityProbe> probe_;
    ProbeAnswer answer_ = ProbeAnswer::Unknown;
    QPointer<QWidget> window_;
    QTimer retry_;
};

// The door of the running application: UPnP, then NAT-PMP, on the peer port, started at once, and
// asked again whenever the system says the network changed.
std::unique_ptr<NetworkDoor> openNetworkDoor(const ClientState &state, Reachability &reachability);

} // namespace jaserelle::client
