#pragma once

#include "client/conversation/conversationwindows.h"

#include <memory>

namespace jaserelle::client {

class FrmMain;
struct Services;

// The conversations and the listener: the main window's call commands, and listening from then on.
std::unique_ptr<ConversationWindows> installConversations(Services &services, FrmMain &main);

} // namespace jaserelle::client
