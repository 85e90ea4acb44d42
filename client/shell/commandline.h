#pragma once

#include <optional>

namespace jaserelle::client {

// The client takes no options: "--help" and "--version" answer on the standard output and end the
// program before any window exists (no display needed); every other argument is ignored.
// Returns the exit code when the program has answered.
std::optional<int> answerCommandLine(int argc, char **argv);

} // namespace jaserelle::client
