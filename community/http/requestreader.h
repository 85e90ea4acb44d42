#pragma once

#include "community/http/message.h"

#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

// From a connection's bytes to a Request, without the socket: the server's sessions and the fuzz
// target go through the same functions.
namespace jaserelle::community {

using RequestParser = boost::beast::http::request_parser<boost::beast::http::string_body>;

struct RequestLimits
{
    std::size_t headerLimit = 1024 * 1024;
    std::size_t bodyLimit = 1024 * 1024;
};

void applyLimits(RequestParser &parser, const RequestLimits &limits);

// The request the parser holds once it is done; its body is moved out.
Request takeRequest(RequestParser &parser, std::string peerAddress);

// The answer to a request that could not be read (431, 413 or 400).
Response readFailure(const boost::beast::error_code &ec);

// A whole connection's bytes, then the end of the stream: the request, or the error answer.
// (A connection that sends nothing at all gets the 400 here; the server simply closes it.)
std::variant<Request, Response> readRequest(std::string_view bytes, const RequestLimits &limits,
                                            std::string peerAddress);

} // namespace jaserelle::community
