#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace jaserelle::community {

// Credentials for the call relay (coturn with use-auth-secret): the relay shares a secret with
// this server and accepts any username "expiry:pseudo" whose password is the base64 of
// HMAC-SHA1(secret, username), until the expiry (Unix seconds) has passed. Nothing is stored on
// either side, and a leaked pair is worth nothing after its lifetime.
struct TurnCredentials
{
    std::string username;
    std::string password;
};

TurnCredentials turnCredentials(std::string_view secret, std::string_view pseudo,
                                std::chrono::system_clock::time_point expiry);

// Standard base64 with padding.
std::string base64(std::string_view bytes);

} // namespace jaserelle::community
