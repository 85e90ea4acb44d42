#include "common/urlcodec.h"

namespace jaserelle {
namespace {

constexpr char hexDigits[] = "0123456789ABCDEF";

bool isAsciiAlnum(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void appendEscaped(std::string &out, unsigned char c)
{
    out += '%';
    out += hexDigits[c >> 4];
    out += hexDigits[c & 0x0F];
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string urlEncode(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 3);
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (isAsciiAlnum(c))
            out += ch;
        else if (c == ' ')
            out += '+';
        else
            appendEscaped(out, c);
    }
    return out;
}

std::string escapeQueryBreakers(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const bool breaks =
            c < 0x20 || c == 0x7F || c == ' ' || c == '&' || c == '#' || c == '%' || c == '+' || c == '?';
        if (breaks)
            appendEscaped(out, c);
        else
            out += ch;
    }
    return out;
}

std::string urlDecode(std::string_view text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+' && plusIsSpace) {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace jaserelle
