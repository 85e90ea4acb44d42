#pragma once

namespace jaserelle::client {

// The conversation windows of the client, the last one being the hidden spare that listens for
// calls, as the conversation subsystem keeps them.
class ConversationList
{
public:
    virtual ~ConversationList() = default;
    // closeConversation on every window not discarded yet, the spare included: each one closes
    // its link if it is open and has itself discarded.
    virtual void closeEveryConversation() = 0;
    // Discards the window at this index (the main window's killMe).
    virtual void discard(int instanceToKill) = 0;
};

} // namespace jaserelle::client
