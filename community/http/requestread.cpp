#include "community/http/requestread.h"

#include "common/cp1252.h"

namespace jaserelle::community {

namespace http = boost::beast::http;

void limitParser(RequestParser &parser, std::size_t headerLimit, std::size_t bodyLimit)
{
    parser.header_limit(static_cast<std::uint32_t>(headerLimit));
    parser.body_limit(bodyLimit);
}

Request requestFrom(RequestParser &parser, std::string peerAddress)
{
    auto &msg = parser.get();
    Request request;
    request.method = std::string(msg.method_string());
    request.target = std::string(msg.target());
    request.contentType = std::string(msg[http::field::content_type]);
    request.body = std::move(msg.body());
    request.peerAddress = std::move(peerAddress);
    return request;
}

Response refusalFor(const boost::beast::error_code &ec)
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

ReadOutcome readRequest(std::string_view bytes, std::size_t headerLimit, std::size_t bodyLimit,
                        std::string peerAddress)
{
    RequestParser parser;
    limitParser(parser, headerLimit, bodyLimit);
    parser.eager(true);
    ReadOutcome out;
    boost::beast::error_code ec;
    while (!bytes.empty() && !parser.is_done()) {
        const std::size_t used = parser.put(boost::asio::buffer(bytes.data(), bytes.size()), ec);
        if (ec == http::error::need_more)
            break;
        if (ec) {
            out.state = ReadOutcome::State::Refused;
            out.refusal = refusalFor(ec);
            return out;
        }
        bytes.remove_prefix(used);
        if (used == 0)
            break;
    }
    if (parser.is_done()) {
        out.state = ReadOutcome::State::Complete;
        out.request = requestFrom(parser, std::move(peerAddress));
    }
    return out;
}

} // namespace jaserelle::community
