#pragma once

#include <QString>
#include <memory>

namespace jaserelle::client {

// The desktop's notification for a message that arrived where the user is not looking. Not a
// sound: it follows the desktop's do-not-disturb, never the client's sound switch. Tests pass a
// recorder.
class MessageNotifier
{
public:
    virtual ~MessageNotifier() = default;
    // `excerpt` is plain text, the start of the message.
    virtual void messageArrived(const QString &member, const QString &excerpt) = 0;
};

// Through the freedesktop notification service, like the call announcement.
std::unique_ptr<MessageNotifier> makeDesktopMessageNotifier();

} // namespace jaserelle::client
