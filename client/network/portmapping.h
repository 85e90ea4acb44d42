#pragma once

#include "client/network/portmapper.h"

#include <QObject>
#include <QThread>
#include <memory>
#include <vector>

namespace jaserelle::client {

// Keeps this computer's peer port forwarded on the home router for as long as the client runs:
// asks each mapper in turn (UPnP first, then NAT-PMP) until one maps it, renews at half the lease
// the router granted, asks again now and then while nothing could be mapped (and at once when the
// network changes), and removes the forward when told to or when destroyed. All the asking
// happens on a worker thread of its own; the windows only ever see outcomeChanged.
class PortMapping : public QObject
{
    Q_OBJECT

public:
    struct Timing
    {
        std::chrono::seconds lease{3600};
        // While nothing is mapped: the next try (a router rebooting, a laptop carried home).
        std::chrono::seconds retry{300};
    };

    PortMapping(std::vector<std::unique_ptr<PortMapper>> mappers, quint16 port, Timing timing,
                QObject *parent = nullptr);
    // Removes the forward (waiting for the worker, which is at most a few seconds of network).
    ~PortMapping() override;

    void start();
    // A new attempt now: the network this computer is on has changed.
    void networkChanged();
    // Removes the forward and stops renewing it (quit, logoff, termination); waits for it.
    void remove();

    const MappingOutcome &outcome() const { return outcome_; }

signals:
    void outcomeChanged(const jaserelle::client::MappingOutcome &outcome);

private:
    class Worker;
    QThread thread_;
    Worker *worker_ = nullptr; // lives on thread_, deleted when it finishes
    MappingOutcome outcome_;
    bool removed_ = false;
};

} // namespace jaserelle::client
