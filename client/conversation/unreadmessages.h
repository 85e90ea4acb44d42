#pragma once

#include <QObject>
#include <vector>

namespace jaserelle::client {

class Conversation;
class ConversationWindows;
class FrmConversation;
class MessageNotifier;

// Messages that arrive in a conversation window the user is not looking at: each one raises the
// desktop's notification (the member and the start of the text), marks the window as asking for
// attention and counts as unread until the window is activated or goes. A message in the active
// window is only announced to assistive technology, as every message is.
class UnreadMessages : public QObject
{
    Q_OBJECT

public:
    UnreadMessages(ConversationWindows &windows, MessageNotifier &notifier, QObject *parent = nullptr);

    int count() const { return total_; }
    // The window whose unread messages came first; null when none waits.
    FrmConversation *firstWaiting() const;

signals:
    void countChanged(int count);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch(Conversation *conversation);
    void arrived(FrmConversation &window, const QString &rtf);
    void forget(const QObject *window);

    struct Waiting
    {
        FrmConversation *window; // forgotten before it goes
        int count;
    };

    MessageNotifier &notifier_;
    std::vector<Waiting> waiting_; // windows with unread messages, in the order they came
    int total_ = 0;
};

} // namespace jaserelle::client
