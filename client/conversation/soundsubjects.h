#pragma once

#include "client/conversation/soundcommands.h"

#include <array>
#include <string_view>

namespace jaserelle::client {

// What each sound of the pad is, in pad order (the order of soundCommands): its picture is the
// button's only label, so this is what a screen reader says of it.
inline constexpr std::array<std::string_view, soundCommandCount> soundSubjects{{
    "Coup de feu",
    "Coups de feu",
    "Klaxon",
    "Bébé qui pleure",
    "Cri",
    "Bisou",
    "Fantôme",
    "Tonnerre",
    "Chat",
    "Chien",
    "Cochon",
    "Abeille",
    "Souris",
    "Singe",
    "Éléphant",
    "Dinosaure",
    "Lion",
    "Loup",
}};

} // namespace jaserelle::client
