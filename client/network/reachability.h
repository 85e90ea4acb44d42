#pragma once

#include <QByteArray>
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

    // The token of the server's probe asked now: the listener sends it back to the server, and
    // only it (another computer's token is not this client's to confirm). Empty: none asked.
    void expectProbe(QByteArray token) { probeToken_ = std::move(token); }
    bool expectsProbe(QByteArrayView token) const { return !probeToken_.isEmpty() && token == probeToken_; }

signals:
    void changed(jaserelle::client::Reachability::State state);

private:
    State state_ = State::Unknown;
    QByteArray probeToken_;
};

} // namespace jaserelle::client
