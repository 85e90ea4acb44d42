#pragma once

#include <QString>
#include <functional>

class QObject;
class QSslSocket;

namespace jaserelle::client {

// How a call reaches a member through the call relay, for the peer link that places it.
class RelayRoute
{
public:
    virtual ~RelayRoute() = default;

    // Whether the community has a relay this client may use (its server handed out credentials).
    virtual bool available() const = 0;
    // A connection to the member's relayed address, connected and carrying the raw peer stream,
    // or nullptr when the member publishes none or the relay cannot reach it. `done` runs once,
    // from the event loop, unless `context` is gone by then; the receiver owns the socket.
    virtual void openTo(const QString &pseudo, QObject *context, std::function<void(QSslSocket *)> done) = 0;
};

} // namespace jaserelle::client
