#pragma once

#include <array>
#include <string_view>

namespace jaserelle::client {

// The smiley pad of the conversation window, in pad order: smiley i is the picture pasted into the
// send box when button i is clicked. A smiley travels to the peer as a bitmap inside the message,
// never by name, so this order only has to agree with the pad.
struct Smiley
{
    std::string_view picture; // Qt resource path
    std::string_view subject; // what the picture shows, for tooltips and accessibility
};

inline constexpr std::size_t smileyCount = 18;

inline constexpr std::array<Smiley, smileyCount> smileys{{
    {":/artwork/smiley-smile.svg", "Sourire"},
    {":/artwork/smiley-grin.svg", "Grand sourire"},
    {":/artwork/smiley-sad.svg", "Triste"},
    {":/artwork/smiley-downcast.svg", "Abattu"},
    {":/artwork/smiley-grimace.svg", "Grimace"},
    {":/artwork/smiley-evil-grin.svg", "Sourire diabolique"},
    {":/artwork/smiley-blush.svg", "Rougit"},
    {":/artwork/smiley-wink.svg", "Clin d'oeil"},
    {":/artwork/smiley-tongue.svg", "Tire la langue"},
    {":/artwork/smiley-laugh.svg", "Rire"},
    {":/artwork/smiley-sunglasses.svg", "Lunettes de soleil"},
    {":/artwork/smiley-white-rose.svg", "Rose blanche"},
    {":/artwork/smiley-white-flowers.svg", "Fleurs blanches"},
    {":/artwork/smiley-gift.svg", "Cadeau"},
    {":/artwork/smiley-heart.svg", "Coeur"},
    {":/artwork/smiley-lips.svg", "Bisou"},
    {":/artwork/smiley-broken-heart.svg", "Coeur brisé"},
    {":/artwork/smiley-fist.svg", "Poing"},
}};

} // namespace jaserelle::client
