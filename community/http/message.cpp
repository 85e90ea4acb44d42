#include "community/http/message.h"

namespace jaserelle::community {

const char *reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 303: return "See Other";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 413: return "Payload Too Large";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Unknown";
    }
}

std::string serialise(const Response &r)
{
    std::string out;
    out.reserve(160 + r.body.size());
    out += "HTTP/1.1 ";
    out += std::to_string(r.status);
    out += ' ';
    out += reasonPhrase(r.status);
    out += "\r\nServer: jaserelle-server\r\nContent-Type: ";
    out += r.contentType;
    out += "\r\nContent-Length: ";
    out += std::to_string(r.body.size());
    if (!r.location.empty()) {
        out += "\r\nLocation: ";
        out += r.location;
    }
    out += "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
    out += r.body;
    return out;
}

} // namespace jaserelle::community
