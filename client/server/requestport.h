#pragma once

#include "client/server/requestkind.h"

#include <QObject>
#include <QString>

namespace jaserelle::client {

// What a subsystem may ask of the request engine: start a request, hand the periodic refresh back,
// and know which request the reply in hand answers. The engine's timers and socket stay its own.
class RequestPort : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // A request the user asked for switches the periodic refresh off until its reply is handled.
    virtual void start(RequestKind kind) = 0;
    // A refresh now, the beat of the periodic refresh following it.
    virtual void startRefresh() = 0;
    // The periodic refresh is on again: what a reply handler does once its request is complete.
    virtual void resumeRefresh() = 0;
    virtual RequestKind requestKind() const = 0;
    // The path of the request last sent, as written after "GET /".
    virtual QString requestPath() const = 0;

signals:
    // The request could not even be started (bad host, for instance); its notice has been shown.
    void startFailed(RequestKind kind);
    // A socket error or time-out ended the request; its notice has been shown.
    void requestFailed(RequestKind kind);
    // The server answered a request of this kind and every reply handler has run over the answer.
    void replyHandled(RequestKind kind);
};

} // namespace jaserelle::client
