#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jaserelle::community {

// One part of a multipart/form-data body (RFC 7578), as the sign-up form sends it.
struct FormPart
{
    std::string name;
    std::string fileName; // empty for plain fields
    std::string contentType;
    std::string data;
};

// The boundary parameter of a Content-Type header; empty when there is none.
std::string multipartBoundary(std::string_view contentType);

// Splits the body; nothing when it is not well formed.
std::optional<std::vector<FormPart>> parseMultipart(std::string_view body, std::string_view boundary);

} // namespace jaserelle::community
