#pragma once

#include "common/protocol.h"

#include <cstddef>
#include <string_view>

namespace jaserelle {

// What the community server writes on the connection it opens to a member's peer port to learn
// whether the port reaches that member from the internet. The client's listener drops a
// connection that starts with it, without a word to the user; no legacy client ever sends it,
// and it holds no end-of-packet marker, so a legacy listener drops it as it drops any stranger.
inline constexpr std::string_view reachabilityProbeLine = "JASERELLE-REACHABILITY-PROBE\r\n";

// A client asking the probe may give a token of its own, made fresh for that question: the
// server then writes it on its own line after the probe line, and counts the port reachable only
// when the listener sends the same line back, which only the client that asked can do. Without
// a token, the probe line alone is written and an accepted connection counts.
inline constexpr std::size_t probeTokenLength = 32;

// A token as the probe takes it: probeTokenLength lower-case hex digits.
constexpr bool isProbeToken(std::string_view token)
{
    if (token.size() != probeTokenLength)
        return false;
    for (const char c : token)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// The peer port, the only one the server ever probes.
inline constexpr unsigned short probedPeerPort = protocol::peerPort;

} // namespace jaserelle
