#pragma once

namespace jaserelle::client {

// The conversations of the client, the last one being the hidden spare that listens for calls,
// as the quit command reaches them.
class ConversationList
{
public:
    virtual ~ConversationList() = default;
    // closeConversation on every conversation not discarded yet, the spare included: each one
    // closes its link if it is open and has itself discarded.
    virtual void closeEveryConversation() = 0;
};

} // namespace jaserelle::client
