#pragma once

#include "client/server/request.h"

#include <QObject>
#include <QString>

namespace jaserelle::client {

// What a subsystem may ask of the request engine: start a request, hand the periodic refresh back,
// and know which request the reply in hand answers. The engine's timers and socket stay its own.
// A request crosses twice: the subsystem hands the engine the whole request when the user acts,
// and its reply handlers read that same request back while they handle the answer.
class RequestPort : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // A request the user asked for switches the periodic refresh off until its reply is handled.
    // One that lacks what its kind needs (the member, the mail) starts nothing.
    virtual void start(const Request &request) = 0;
    // A refresh now, the beat of the periodic refresh following it.
    virtual void startRefresh() = 0;
    // The periodic refresh is on again: what a reply handler does once its request is complete.
    virtual void resumeRefresh() = 0;
    // The request last started: the one in flight, or whose answer the handlers are reading.
    virtual const Request &request() const = 0;
    RequestKind requestKind() const { return request().kind; }

signals:
    // The request could not even be started (bad host, for instance); its notice has been shown.
    void startFailed(RequestKind kind);
    // A socket error or time-out ended the request; its notice has been shown.
    void requestFailed(RequestKind kind);
    // The server answered a request of this kind and every reply handler has run over the answer.
    void replyHandled(RequestKind kind);
};

} // namespace jaserelle::client
