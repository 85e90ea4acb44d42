#include "client/network/portmapping.h"

#include <QTimer>

namespace jaserelle::client {

class PortMapping::Worker : public QObject
{
    Q_OBJECT

public:
    Worker(std::vector<std::unique_ptr<PortMapper>> mappers, quint16 port, Timing timing)
        : mappers_(std::move(mappers)), port_(port), timing_(timing), next_(this)
    {
        next_.setSingleShot(true);
        connect(&next_, &QTimer::timeout, this, &Worker::attempt);
    }

    void attempt()
    {
        if (stopped_)
            return;
        MappingOutcome best;
        best.status = MappingOutcome::Status::NoRouter;
        holder_ = nullptr;
        for (auto &mapper : mappers_) {
            MappingOutcome o = mapper->map(port_, timing_.lease);
            if (o.status == MappingOutcome::Status::Mapped) {
                holder_ = mapper.get();
                best = std::move(o);
                break;
            }
            // A router that answered says more than silence: keep its word for the user.
            if (best.status == MappingOutcome::Status::NoRouter)
                best = std::move(o);
        }
        std::chrono::seconds wait = timing_.retry;
        if (holder_) {
            // Half the lease, so that one lost renewal still leaves time for the next; a mapping
            // without end is checked at the retry pace.
            if (best.lease.count() > 0)
                wait = std::max(std::chrono::seconds(1), best.lease / 2);
        }
        next_.start(std::chrono::duration_cast<std::chrono::milliseconds>(wait));
        emit attempted(best);
    }

    void removeAll()
    {
        stopped_ = true;
        next_.stop();
        if (holder_)
            holder_->unmap(port_);
        holder_ = nullptr;
    }

signals:
    void attempted(const jaserelle::client::MappingOutcome &outcome);

private:
    std::vector<std::unique_ptr<PortMapper>> mappers_;
    quint16 port_;
    Timing timing_;
    QTimer next_;
    PortMapper *holder_ = nullptr; // the mapper whose forward is in place
    bool stopped_ = false;
};

PortMapping::PortMapping(std::vector<std::unique_ptr<PortMapper>> mappers, quint16 port, Timing timing,
                         QObject *parent)
    : QObject(parent), worker_(new Worker(std::move(mappers), port, timing))
{
    qRegisterMetaType<MappingOutcome>();
    thread_.setObjectName(QStringLiteral("port mapping"));
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &Worker::attempted, this, [this](const MappingOutcome &o) {
        if (removed_ || o == outcome_)
            return;
        outcome_ = o;
        emit outcomeChanged(outcome_);
    });
    thread_.start();
}

PortMapping::~PortMapping()
{
    remove();
    thread_.quit();
    thread_.wait();
}

void PortMapping::start()
{
    QMetaObject::invokeMethod(worker_, &Worker::attempt, Qt::QueuedConnection);
}

void PortMapping::networkChanged()
{
    start();
}

void PortMapping::remove()
{
    if (removed_)
        return;
    removed_ = true;
    QMetaObject::invokeMethod(worker_, &Worker::removeAll, Qt::BlockingQueuedConnection);
}

} // namespace jaserelle::client

#include "portmapping.moc"
