#pragma once

#include <chrono>
#include <string>

namespace jaserelle::community {

// One request as the handlers see it: no socket, no parser.
struct Request
{
    std::string method;      // "GET", "POST", ...
    std::string target;      // raw bytes after the method, as sent ("/softlogin.php?login=...")
    std::string contentType; // of the body, for the sign-up form
    std::string body;
    std::string peerAddress; // the address the connection came from, dotted IPv4 when it is one
    // SHA-256 (lower-case hex) of the certificate the client presented over TLS, or that the
    // trusted proxy passed on; empty on plain HTTP or without a certificate.
    std::string clientKey;
};

// One answer. The body is sent as it stands: the handlers put Windows-1252 bytes in the replies
// the client reads, UTF-8 in the web pages, JPEG bytes in photos.
struct Response
{
    int status = 200;
    std::string contentType = "text/plain; charset=windows-1252";
    std::string body;
    std::string location; // for redirections
    // Sent this long after it is ready: a refusal that must take as long as a password check waits
    // on a timer, holding neither a slow-hash thread nor a core.
    std::chrono::microseconds holdFor{0};
};

// The bytes on the wire: status line, headers (always "Connection: close"), empty line, body.
std::string serialise(const Response &response);
// The same without the body, for a writer that sends the body from where it is.
std::string serialiseHead(const Response &response);

const char *reasonPhrase(int status);

} // namespace jaserelle::community
