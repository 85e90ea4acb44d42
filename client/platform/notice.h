#pragma once

#include <QString>

namespace jaserelle::client {

// A message the user is told in a box with one OK button: what any part of the client hands to
// the desktop, whether it is worked out from a reply, a peer or the user's own input.
struct Notice
{
    enum class Icon
    {
        Information,
        Question,
        Warning,
        Critical,
        None
    };
    QString title;
    QString text;
    Icon icon = Icon::Information;

    friend bool operator==(const Notice &, const Notice &) = default;
};

} // namespace jaserelle::client
