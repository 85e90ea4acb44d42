#include "community/http/query.h"

#include "common/cp1252.h"
#include "common/urlcodec.h"

namespace jaserelle::community {
namespace {

template <typename Decode>
std::vector<std::pair<std::string, std::string>> splitPairs(std::string_view query, Decode decode)
{
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string_view::npos)
            end = query.size();
        const std::string_view pair = query.substr(start, end - start);
        if (!pair.empty()) {
            const std::size_t eq = pair.find('=');
            const std::string_view name = pair.substr(0, eq);
            const std::string_view value = eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
            out.emplace_back(std::string(name), decode(value));
        }
        start = end + 1;
    }
    return out;
}

} // namespace

Target Target::parse(std::string_view target)
{
    Target t;
    // A fragment never reaches a server from a well-behaved client; drop it if one does.
    const std::size_t hash = target.find('#');
    if (hash != std::string_view::npos)
        target = target.substr(0, hash);
    const std::size_t q = target.find('?');
    t.path_ = std::string(target.substr(0, q));
    if (q != std::string_view::npos)
        t.params_ = splitPairs(target.substr(q + 1),
                               [](std::string_view v) { return cp1252::toUtf8(urlDecode(v, true)); });
    return t;
}

std::optional<std::string> Target::get(std::string_view name) const
{
    for (const auto &[n, v] : params_)
        if (n == name)
            return v;
    return std::nullopt;
}

std::string Target::value(std::string_view name) const
{
    return get(name).value_or(std::string());
}

std::vector<std::pair<std::string, std::string>> parseFormUtf8(std::string_view body)
{
    return splitPairs(body, [](std::string_view v) { return urlDecode(v, true); });
}

} // namespace jaserelle::community
