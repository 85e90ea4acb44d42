#include "client/conversation/messagenotifier.h"

#include "client/conversation/desktopnotification.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

class DesktopMessageNotifier : public MessageNotifier
{
public:
    void messageArrived(const QString &member, const QString &excerpt) override
    {
        // The text is the peer's: services that read markup in the body must show it as typed.
        sendDesktopNotification({u"mail-message-new"_s, u"Message de "_s + member, excerpt.toHtmlEscaped(), 1});
    }
};

} // namespace

std::unique_ptr<MessageNotifier> makeDesktopMessageNotifier()
{
    return std::make_unique<DesktopMessageNotifier>();
}

} // namespace jaserelle::client
