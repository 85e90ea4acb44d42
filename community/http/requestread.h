#pragma once

#include "community/http/message.h"

#include <boost/beast/http.hpp>
#include <string>
#include <string_view>

// The server's reading of the bytes a connection brings, apart from its sockets: the connections
// use these pieces one by one as the bytes come, readRequest() runs them over bytes at hand.
namespace jaserelle::community {

using RequestParser = boost::beast::http::request_parser<boost::beast::http::string_body>;

// A parser held to the server's limits.
void limitParser(RequestParser &parser, std::size_t headerLimit, std::size_t bodyLimit);

// The request the handlers see, from a parser that is done (its body is moved out).
Request requestFrom(RequestParser &parser, std::string peerAddress);

// The answer to bytes that make no acceptable request: 431, 413 or 400.
Response refusalFor(const boost::beast::error_code &ec);

struct ReadOutcome
{
    enum class State
    {
        Incomplete, // more bytes needed
        Complete,   // `request` holds it
        Refused     // `refusal` is the answer
    };
    State state = State::Incomplete;
    Request request;
    Response refusal;
};

ReadOutcome readRequest(std::string_view bytes, std::size_t headerLimit, std::size_t bodyLimit,
                        std::string peerAddress = "127.0.0.1");

} // namespace jaserelle::community
