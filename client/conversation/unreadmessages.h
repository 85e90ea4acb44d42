#pragma once

#include <QHash>
#include <QObject>

namespace jaserelle::client {

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

signals:
    void countChanged(int count);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch(FrmConversation *window);
    void arrived(FrmConversation &window, const QString &rtf);
    void forget(const QObject *window);

    MessageNotifier &notifier_;
    QHash<const QObject *, int> unread_; // per window, only windows with some
    int total_ = 0;
};

} // namespace jaserelle::client
