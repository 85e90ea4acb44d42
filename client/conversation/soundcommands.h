#pragma once

#include <array>
#include <string_view>

namespace jaserelle::client {

// One sound effect of the conversation window: the text that travels in a packet, the file that
// plays under sons/, and the picture on its sound-pad button. The position in soundCommands is
// both the button's index on the pad and the order in which a received packet is searched.
struct SoundCommand
{
    std::string_view command;
    std::string_view file;
    std::string_view padPicture; // Qt resource path
};

inline constexpr std::size_t soundCommandCount = 18;

// Command words and file names do not always agree (SINGE plays monkey.wav, LOUP wolf.wav):
// peers running older clients send exactly these texts, so they are never "corrected".
inline constexpr std::array<SoundCommand, soundCommandCount> soundCommands{{
    {"!PLAYTHEGUNSOUND|", "gun1.wav", ":/artwork/sound-gun1.svg"},
    {"!PLAYTHEGUN2SOUND|", "gun2.wav", ":/artwork/sound-gun2.svg"},
    {"!PLAYTHEKLAXONSOUND|", "klaxon.wav", ":/artwork/sound-klaxon.svg"},
    {"!PLAYTHEBABYCRYSOUND|", "babycry.wav", ":/artwork/sound-babycry.svg"},
    {"!PLAYTHEAAAHSOUND|", "aaaah.wav", ":/artwork/sound-aaaah.svg"},
    {"!PLAYTHEKISSSOUND|", "kiss.wav", ":/artwork/sound-kiss.svg"},
    {"!PLAYTHEGHOSTSOUND|", "ghost.wav", ":/artwork/sound-ghost.svg"},
    {"!PLAYTHETONNERRESOUND|", "tonnerre.wav", ":/artwork/sound-tonnerre.svg"},
    {"!PLAYTHECHATSOUND|", "cat.wav", ":/artwork/sound-cat.svg"},
    {"!PLAYTHECHIENSOUND|", "chien.wav", ":/artwork/sound-chien.svg"},
    {"!PLAYTHEPIGSOUND|", "pig.wav", ":/artwork/sound-pig.svg"},
    {"!PLAYTHEBEESOUND|", "bee.wav", ":/artwork/sound-bee.svg"},
    {"!PLAYTHESOURISSOUND|", "souris.wav", ":/artwork/sound-souris.svg"},
    {"!PLAYTHESINGESOUND|", "monkey.wav", ":/artwork/sound-monkey.svg"},
    {"!PLAYTHEELEPHANTSOUND|", "elepent.wav", ":/artwork/sound-elephant.svg"},
    {"!PLAYTHEDINOSOUND|", "dino.wav", ":/artwork/sound-dino.svg"},
    {"!PLAYTHELIONSOUND|", "lion.wav", ":/artwork/sound-lion.svg"},
    {"!PLAYTHELOUPSOUND|", "wolf.wav", ":/artwork/sound-wolf.svg"},
}};

// Sounds that are not sent by a peer but played on an event of this client.
inline constexpr std::string_view incomingCallSound = "incomingcall.wav";
inline constexpr std::string_view connectionRefusedSound = "connectionrefused.wav";

} // namespace jaserelle::client
