#pragma once

#include "client/platform/platform.h"

#include <functional>

namespace jaserelle::client {

// Ends the application on behalf of the whole client. Windows that turn a close request into a
// question (the main window asks to confirm quitting) are told first that this time the end is
// real, so closing every window on the way out cannot start the quit confirmation again.
class EndOfApplication : public AppLifetime
{
public:
    EndOfApplication(AppLifetime &desktop, std::function<void()> beforeEnd)
        : desktop_(desktop), beforeEnd_(std::move(beforeEnd))
    {
    }

    void endApplication() override
    {
        if (beforeEnd_)
            beforeEnd_();
        desktop_.endApplication();
    }

private:
    AppLifetime &desktop_;
    std::function<void()> beforeEnd_;
};

} // namespace jaserelle::client
