#include "community/http/multipart.h"

#include "community/core/text.h"

namespace jaserelle::community {
namespace {

// The value of `key="..."` (or key=token) in a header line.
std::string headerParam(std::string_view line, std::string_view key)
{
    const std::string lower = lowerAscii(line);
    std::size_t pos = 0;
    while ((pos = lower.find(key, pos)) != std::string::npos) {
        const bool startsWord = pos == 0 || lower[pos - 1] == ' ' || lower[pos - 1] == ';';
        const std::size_t after = pos + key.size();
        if (startsWord && after < line.size() && line[after] == '=') {
            std::size_t v = after + 1;
            if (v < line.size() && line[v] == '"') {
                const std::size_t end = line.find('"', v + 1);
                if (end == std::string_view::npos)
                    return {};
                return std::string(line.substr(v + 1, end - v - 1));
            }
            std::size_t end = v;
            while (end < line.size() && line[end] != ';' && line[end] != ' ')
                ++end;
            return std::string(line.substr(v, end - v));
        }
        pos = after;
    }
    return {};
}

} // namespace

std::string multipartBoundary(std::string_view contentType)
{
    if (lowerAscii(contentType.substr(0, 19)) != "multipart/form-data")
        return {};
    std::string b = headerParam(contentType, "boundary");
    if (b.size() > 70)
        return {};
    return b;
}

std::optional<std::vector<FormPart>> parseMultipart(std::string_view body, std::string_view boundary)
{
    if (boundary.empty())
        return std::nullopt;
    const std::string delimiter = "--" + std::string(boundary);
    std::vector<FormPart> parts;

    std::size_t pos = body.find(delimiter);
    if (pos == std::string_view::npos)
        return std::nullopt;
    pos += delimiter.size();
    while (true) {
        if (body.substr(pos, 2) == "--")
            return parts; // closing delimiter
        if (body.substr(pos, 2) != "\r\n")
            return std::nullopt;
        pos += 2;
        const std::size_t headersEnd = body.find("\r\n\r\n", pos);
        if (headersEnd == std::string_view::npos)
            return std::nullopt;
        FormPart part;
        std::string_view headers = body.substr(pos, headersEnd - pos);
        while (!headers.empty()) {
            const std::size_t eol = headers.find("\r\n");
            const std::string_view line = headers.substr(0, eol);
            const std::string lower = lowerAscii(line.substr(0, line.find(':')));
            const std::size_t colon = line.find(':');
            std::string_view value = colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
            while (!value.empty() && value.front() == ' ')
                value.remove_prefix(1);
            if (lower == "content-disposition") {
                part.name = headerParam(value, "name");
                part.fileName = headerParam(value, "filename");
            } else if (lower == "content-type") {
                part.contentType = std::string(value);
            }
            if (eol == std::string_view::npos)
                break;
            headers.remove_prefix(eol + 2);
        }
        const std::size_t dataStart = headersEnd + 4;
        const std::size_t next = body.find("\r\n" + delimiter, dataStart);
        if (next == std::string_view::npos)
            return std::nullopt;
        part.data = std::string(body.substr(dataStart, next - dataStart));
        parts.push_back(std::move(part));
        pos = next + 2 + delimiter.size();
    }
}

} // namespace jaserelle::community
