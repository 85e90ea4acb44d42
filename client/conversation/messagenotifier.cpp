#include "client/conversation/messagenotifier.h"

#include "client/conversation/desktopnotification.h"

#include <QHash>
#include <QObject>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

// One bubble per member: the next message takes the place of the last, so a burst of messages
// does not pile bubbles up on the screen.
class DesktopMessageNotifier : public MessageNotifier
{
public:
    void messageArrived(const QString &member, const QString &excerpt) override
    {
        // The text is the peer's: services that read markup in the body must show it as typed.
        sendDesktopNotification({u"mail-message-new"_s, u"Message de "_s + member, excerpt.toHtmlEscaped(), 1,
                                 shown_.value(member, 0u)},
                                &guard_, [this, member](uint id) {
                                    // Bounded by the members who wrote during this run.
                                    shown_.insert(member, id);
                                });
    }

private:
    QHash<QString, uint> shown_;
    QObject guard_;
};

} // namespace

std::unique_ptr<MessageNotifier> makeDesktopMessageNotifier()
{
    return std::make_unique<DesktopMessageNotifier>();
}

} // namespace jaserelle::client
