#pragma once

// One client's conversations on the quiet desktop, at a loopback address of its own: what the
// call benches place and answer calls between.

#include "bench/support/benchdesktop.h"
#include "client/conversation/conversationwindows.h"
#include "client/shell/clientstate.h"

#include <QHostAddress>
#include <memory>

namespace jaserelle::bench {

struct Desk
{
    Desk(QuietDesktop &desktop, const QString &pseudo, const QString &address)
        : platform{desktop, desktop, desktop, desktop, desktop, desktop}
    {
        state.userLogin = pseudo;
        state.localAddress = QHostAddress(address);
        windows = std::make_unique<client::ConversationWindows>(state, platform);
    }
    client::Platform platform;
    client::ClientState state;
    std::unique_ptr<client::ConversationWindows> windows;
};

} // namespace jaserelle::bench
