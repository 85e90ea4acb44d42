#include "client/conversation/installconversations.h"

#include "client/shell/frmmain.h"
#include "client/shell/services.h"

namespace jaserelle::client {

std::unique_ptr<ConversationWindows> installConversations(Services &services, FrmMain &main)
{
    auto windows = std::make_unique<ConversationWindows>(services.state, services.platform);
    main.setConversations(windows.get());
    windows->attach(main);
    return windows;
}

} // namespace jaserelle::client
