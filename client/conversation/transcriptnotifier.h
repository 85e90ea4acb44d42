#pragma once

#include "client/platform/platform.h"

#include <functional>
#include <utility>

namespace jaserelle::client {

// What a conversation's link tells the user goes into the conversation's own transcript too,
// before the box comes up: once the box is closed, the words stay where the conversation was.
class TranscriptNotifier : public Notifier
{
public:
    TranscriptNotifier(Notifier &desktop, std::function<void(const Notice &)> record)
        : desktop_(desktop), record_(std::move(record))
    {
    }
    void notify(const Notice &notice, AfterClose then = {}) override
    {
        record_(notice);
        desktop_.notify(notice, std::move(then));
    }
    void withdraw(const Notice &notice) override { desktop_.withdraw(notice); }

private:
    Notifier &desktop_;
    std::function<void(const Notice &)> record_;
};

} // namespace jaserelle::client
