#pragma once

#include <string>
#include <string_view>

// Small rules about the text the server stores and answers.
namespace jaserelle::community {

constexpr std::size_t maxPseudoLength = 16;

// ASCII lower case; other bytes unchanged.
std::string lowerAscii(std::string_view text);

// A pseudo as the server keeps it: 1 to 16 letters and digits, lower case. Empty when the text
// is not one.
std::string normalisePseudo(std::string_view text);

// A value put into a reply field: the given separators, CR and LF become spaces.
std::string fieldSafe(std::string_view utf8, std::string_view separators);

// Free text written by members ends up inside replies that the client scans for keywords anywhere.
// A keyword inside a mail or a profile must not act, so a soft hyphen (U+00AD, one byte in
// Windows-1252 and invisible in the client) goes after its first letter.
std::string defuseKeywords(std::string_view utf8);

// The department shown in contact rows: the first two characters of the postal code.
std::string departmentOf(std::string_view postalCode);

// Dotted IPv4 address, four numbers 0-255 without leading zeros.
bool isDottedIpv4(std::string_view text);

// The address a client connected from, IPv4-mapped IPv6 written as plain IPv4.
std::string plainAddress(std::string_view address);

// What counts as one source when limiting per address: an IPv4 address (IPv4-mapped ones
// included), or the /64 prefix of an IPv6 address, which one machine can fill at will.
std::string addressGroup(std::string_view address);

// What counts as one network when sharing the slow hash out fairly: an IPv4 /24, an IPv6 /48
// (what one site or one customer of a provider is given). Anything else is kept as it is.
std::string networkPrefix(std::string_view address);

} // namespace jaserelle::community
