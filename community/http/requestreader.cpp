#include "community/http/requestreader.h"

#include "common/cp1252.h"

#include <boost/asio/buffer.hpp>

namespace jaserelle::community {

namespace http = boost::beast::http;

void applyLimits(RequestParser &parser, const RequestLimits &limits)
{
    parser.header_limit(static_cast<std::uint32_t>(limits.headerLimit));
    parser.body_limit(limits.bodyLimit);
}

Request takeRequest(RequestParser &parser, std::string peerAddress)
{
    const auto &msg = parser.get();
    Request request;
    request.method = std::string(msg.method_string());
    request.target = std::string(msg.target());
    request.contentType = std::string(msg[http::field::content_type]);
    request.body = std::move(parser.get().body());
    request.peerAddress = std::move(peerAddress);
    return request;
}

Response readFailure(const boost::beast::error_code &ec)
{
    Response response;
    if (ec == http::error::header_limit) {
        response.status = 431;
        response.body = cp1252::fromUtf8("Requête trop longue.\r\n");
    } else if (ec == http::error::body_limit) {
        response.status = 413;
        response.body = cp1252::fromUtf8("Envoi trop volumineux.\r\n");
    } else {
        response.status = 400;
        response.body = cp1252::fromUtf8("Requête incorrecte.\r\n");
    }
    return response;
}

std::variant<Request, Response> readRequest(std::string_view bytes, const RequestLimits &limits,
                                            std::string peerAddress)
{
    RequestParser parser;
    applyLimits(parser, limits);
    boost::beast::error_code ec;
    // As a socket read does: feed what the parser takes, then the end of the stream.
    while (!ec && !parser.is_done() && !bytes.empty()) {
        const std::size_t used = parser.put(boost::asio::buffer(bytes.data(), bytes.size()), ec);
        if (ec == http::error::need_more) {
            if (used == 0)
                break; // the rest is an incomplete piece: only the end of the stream settles it
            ec = {};
        }
        bytes.remove_prefix(used);
    }
    if (ec == http::error::need_more)
        ec = {};
    if (!ec && !parser.is_done())
        parser.put_eof(ec);
    if (ec || !parser.is_done())
        return readFailure(ec ? ec : http::error::partial_message);
    return takeRequest(parser, std::move(peerAddress));
}

} // namespace jaserelle::community
