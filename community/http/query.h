#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace jaserelle::community {

// A request target split into its path and its query parameters.
//
// Values arrive as the client writes them: raw, urlEncode'd or with spaces as "%20",
// and any byte above 0x7F is a raw Windows-1252 character. Every value is therefore
// percent-decoded with "+" as a space and then read as Windows-1252; the handlers get UTF-8.
// No parameter of the client's catalogue carries a raw "+" (pseudos are letters and digits, the
// criteria lists hold none), so the two readings never disagree.
class Target
{
public:
    static Target parse(std::string_view target);

    const std::string &path() const { return path_; }

    // The first value of a parameter, decoded to UTF-8; nothing when absent.
    std::optional<std::string> get(std::string_view name) const;
    // Same, with an empty text for an absent parameter.
    std::string value(std::string_view name) const;

    std::size_t size() const { return params_.size(); }

private:
    std::string path_;
    std::vector<std::pair<std::string, std::string>> params_; // name raw, value UTF-8
};

// Parameters of an application/x-www-form-urlencoded body (the browser sends UTF-8).
std::vector<std::pair<std::string, std::string>> parseFormUtf8(std::string_view body);

} // namespace jaserelle::community
