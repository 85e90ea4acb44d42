#pragma once

#include "common/protocol.h"

#include <string_view>

namespace jaserelle {

// What the community server writes on the connection it opens to a member's peer port to learn
// whether the port reaches that member from the internet. The client's listener drops a
// connection that starts with it, without a word to the user; no legacy client ever sends it,
// and it holds no end-of-packet marker, so a legacy listener drops it as it drops any stranger.
inline constexpr std::string_view reachabilityProbeLine = "JASERELLE-REACHABILITY-PROBE\r\n";

// The peer port, the only one the server ever probes.
inline constexpr unsigned short probedPeerPort = protocol::peerPort;

} // namespace jaserelle
