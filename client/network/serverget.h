#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QObject;

namespace jaserelle::client {

struct ServerLink;

// One GET to the community server on a connection of its own, beside the request engine: the
// relay's resources never wait behind the member's requests, nor replace one in flight. It goes
// the way the [server] line says, TLS included (openServerConnection). `done`
// gets the status (0: no answer within the time, or an answer that is no HTTP) and the body, once,
// unless `context` is gone by then. An answer larger than a few kilobytes is no answer.
void serverGet(const ServerLink &link, const QByteArray &pathAndQuery, QObject *context,
               std::function<void(int status, const QByteArray &body)> done);

// The status and body of a whole HTTP answer; status 0 when it is none.
struct HttpAnswer
{
    int status = 0;
    QByteArray body;
};
HttpAnswer parseHttpAnswer(QByteArrayView bytes);

} // namespace jaserelle::client
