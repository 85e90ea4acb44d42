#pragma once

#include <array>
#include <string_view>

namespace jaserelle::client {

// The emoji pad beside the smileys: characters, not pictures, so they travel as text (\uN for a
// peer that reads it, "?" for one that does not) and keep their colours on every screen.
struct Emoji
{
    std::u16string_view text;
    std::u16string_view name; // the pad button's tooltip
};

inline constexpr std::array<Emoji, 18> commonEmojis{{
    {u"\U0001F600", u"Sourire"},
    {u"\U0001F602", u"Larmes de joie"},
    {u"\U0001F60A", u"Sourire timide"},
    {u"\U0001F60D", u"Yeux en cœur"},
    {u"\U0001F618", u"Bisou"},
    {u"\U0001F609", u"Clin d'œil"},
    {u"\U0001F60E", u"Lunettes de soleil"},
    {u"\U0001F622", u"Larme"},
    {u"\U0001F62D", u"Sanglots"},
    {u"\U0001F620", u"Colère"},
    {u"\U0001F44D", u"Pouce levé"},
    {u"\U0001F44F", u"Applaudissements"},
    {u"\U0001F64F", u"Merci"},
    {u"\u2764\uFE0F", u"Cœur"},
    {u"\U0001F389", u"Fête"},
    {u"\U0001F525", u"Feu"},
    {u"\U0001F339", u"Rose"},
    {u"\U0001F31E", u"Soleil"},
}};

} // namespace jaserelle::client
