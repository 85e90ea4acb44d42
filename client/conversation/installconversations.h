#pragma once

#include "client/conversation/conversationwindows.h"

#include <memory>

namespace jaserelle::client {

class FrmMain;
struct Services;

// The conversation windows and the listener: the main window's call commands, killMe, and
// listening from then on.
std::unique_ptr<ConversationWindows> installConversations(Services &services, FrmMain &main);

} // namespace jaserelle::client
