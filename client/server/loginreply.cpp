#include "client/server/loginreply.h"

#include "client/server/protocolwords.h"
namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

const QString accepted = latin1(protocol::loginOk);
const QString acceptedWithSeparator = utf16<protocol::loginOk, protocol::recordEnd>().toString();
const QString notPermitted = latin1(protocol::notPermitted);

} // namespace

LoginMessage takeLoginMessage(QString &reply)
{
    qsizetype start = reply.indexOf(acceptedWithSeparator);
    if (start >= 0) {
        reply.remove(0, start);
        reply.remove(acceptedWithSeparator);
    } else {
        start = reply.indexOf(accepted);
        reply.remove(0, start < 0 ? reply.size() : start + accepted.size());
    }

    const qsizetype end = reply.indexOf(u'|');
    if (end >= 0)
        reply.truncate(end);
    else
        reply = reply.trimmed();

    LoginMessage message;
    message.hasMessage = !reply.isEmpty();
    if (reply.contains(notPermitted)) {
        message.permitted = false;
        reply.remove(notPermitted);
    }
    message.text = reply;
    return message;
}

} // namespace jaserelle::client
