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
        Bubble &bubble = bubbles_[member]; // bounded by the members who wrote during this run
        bubble.body = excerpt.toHtmlEscaped();
        // A message that comes before the service has named the last bubble waits for its name:
        // sent at once, it would make a second bubble instead of taking the place of the first.
        bubble.waiting = true;
        if (!bubble.pending)
            send(member);
    }

private:
    struct Bubble
    {
        uint id = 0;
        QString body;
        bool pending = false; // sent, its id not known yet
        bool waiting = false; // a newer body to show
    };

    void send(const QString &member)
    {
        Bubble &bubble = bubbles_[member];
        bubble.pending = true;
        bubble.waiting = false;
        sendDesktopNotification({u"mail-message-new"_s, u"Message de "_s + member, bubble.body, 1, bubble.id},
                                &guard_, [this, member](uint id) {
                                    Bubble &shown = bubbles_[member];
                                    shown.id = id;
                                    shown.pending = false;
                                    if (shown.waiting)
                                        send(member);
                                });
    }

    QHash<QString, Bubble> bubbles_;
    QObject guard_;
};

} // namespace

std::unique_ptr<MessageNotifier> makeDesktopMessageNotifier()
{
    return std::make_unique<DesktopMessageNotifier>();
}

} // namespace jaserelle::client
