#pragma once

#include <QObject>

namespace jaserelle::client {

// Whether other members can open a connection to this client's peer port from the internet.
// Whoever finds out (the router mapping, the server's probe) says so here; whoever cares (the
// relay, the call placement, what the user can look up) listens. Unknown until somebody knows.
class Reachability : public QObject
{
    Q_OBJECT
public:
    enum class State
    {
        Unknown,
        Reachable,
        Unreachable,
    };
    Q_ENUM(State)

    explicit Reachability(QObject *parent = nullptr) : QObject(parent) {}

    State state() const { return state_; }
    void setState(State state)
    {
        if (state == state_)
            return;
        state_ = state;
        emit changed(state_);
    }

signals:
    void changed(jaserelle::client::Reachability::State state);

private:
    State state_ = State::Unknown;
};

} // namespace jaserelle::client
