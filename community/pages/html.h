#pragma once

#include <string>
#include <string_view>

namespace jaserelle::community {

// Text made safe for HTML element content and attribute values.
std::string htmlEscape(std::string_view text);

// The frame every page shares: UTF-8, French, one style sheet.
std::string pageFrame(std::string_view title, std::string_view body);

} // namespace jaserelle::community
