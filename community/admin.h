#pragma once

#include <string>
#include <vector>

namespace jaserelle::community {

// The admin subcommands of jaserelle-server (add-member, set-message, withdraw, restore,
// list-members). Returns the process exit code; nothing when args[0] is not a subcommand.
int runAdmin(const std::vector<std::string> &args);
bool isAdminCommand(const std::string &name);

void printUsage();

} // namespace jaserelle::community
