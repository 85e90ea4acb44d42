#include "client/conversation/soundcommands.h"

namespace jaserelle::client {

namespace {

// A received packet is searched for every command as a plain substring, so a command that was a
// substring of another would fire both; the bar at the end keeps them apart.
constexpr bool wellFormed(const SoundCommand &c)
{
    return c.command.starts_with("!PLAYTHE") && c.command.ends_with("SOUND|") && c.file.ends_with(".wav") &&
           c.padPicture.starts_with(":/artwork/sound-") && c.padPicture.ends_with(".svg");
}

constexpr bool noCommandInsideAnother()
{
    for (const auto &a : soundCommands) {
        for (const auto &b : soundCommands) {
            if (&a != &b && b.command.find(a.command) != std::string_view::npos)
                return false;
        }
    }
    return true;
}

constexpr bool allWellFormed()
{
    for (const auto &c : soundCommands) {
        if (!wellFormed(c))
            return false;
    }
    return true;
}

static_assert(allWellFormed());
static_assert(noCommandInsideAnother());

} // namespace

} // namespace jaserelle::client
