#include "client/conversation/unreadmessages.h"

#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/messageexcerpt.h"
#include "client/conversation/messagenotifier.h"
#include "client/conversation/rtfreader.h"
#include "client/platform/assistiveannounce.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

QString plainText(const QString &rtf)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    rtfreader::insert(cursor, rtf);
    return document.toPlainText();
}

} // namespace

UnreadMessages::UnreadMessages(ConversationWindows &windows, MessageNotifier &notifier, QObject *parent)
    : QObject(parent), notifier_(notifier)
{
    for (int index = 1; index <= windows.conversationCount(); ++index)
        watch(windows.at(index));
    connect(&windows, &ConversationWindows::spareCreated, this, &UnreadMessages::watch);
}

void UnreadMessages::watch(Conversation *conversation)
{
    if (!conversation)
        return;
    FrmConversation *window = &conversation->window();
    window->installEventFilter(this);
    connect(conversation, &Conversation::entryReceived, this,
            [this, target = QPointer<FrmConversation>(window)](const QString &rtf) {
                if (target)
                    arrived(*target, rtf);
            });
    connect(window, &QObject::destroyed, this, &UnreadMessages::forget);
}

void UnreadMessages::arrived(FrmConversation &window, const QString &rtf)
{
    const bool looking = window.isActiveWindow();
    const bool listening = QAccessible::isActive(); // a screen reader, or another assistive tool
    // Reading the message again costs its pictures a second decoding: only when someone needs it.
    if (looking && !listening)
        return;
    const QString member = window.peerPseudo();
    const QString excerpt = messageExcerpt(plainText(rtf));
    if (listening)
        announceToAssistiveTechnology(window, u"Nouveau message de %1 : %2"_s.arg(member, excerpt));
    if (looking)
        return;
    notifier_.messageArrived(member, excerpt);
    QApplication::alert(&window);
    const auto found = std::find_if(waiting_.begin(), waiting_.end(),
                                    [&window](const Waiting &entry) { return entry.window == &window; });
    if (found == waiting_.end())
        waiting_.push_back({&window, 1});
    else
        ++found->count;
    ++total_;
    emit countChanged(total_);
}

void UnreadMessages::forget(const QObject *window)
{
    const auto found = std::find_if(waiting_.begin(), waiting_.end(),
                                    [window](const Waiting &entry) { return entry.window == window; });
    if (found == waiting_.end())
        return;
    total_ -= found->count;
    waiting_.erase(found);
    emit countChanged(total_);
}

FrmConversation *UnreadMessages::firstWaiting() const
{
    return waiting_.empty() ? nullptr : waiting_.front().window;
}

bool UnreadMessages::eventFilter(QObject *watched, QEvent *event)
{
    // Seen once the user comes to the window; gone with it. A minimised window is hidden by the
    // desktop (a spontaneous hide) and still has its messages unread.
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowActivate || type == QEvent::Close ||
        (type == QEvent::Hide && !event->spontaneous()))
        forget(watched);
    return QObject::eventFilter(watched, event);
}

} // namespace jaserelle::client
