#pragma once

#include <QString>

namespace jaserelle::client {

// The server's message carried by an accepted login ("YOURLOGINISOK|message|").
struct LoginMessage
{
    QString text;            // as shown to the user, the permission keyword taken out
    bool hasMessage = false; // the server said something: the notice window comes first
    bool permitted = true;   // false when the server refused this account the service
};

// Reads the message of an accepted login and rewrites `reply` to that message alone, so that the
// reply handlers after this one see nothing else. When no "|" closes the message, the rest of the
// reply is the message (surrounding white space dropped): a message the server did not close is
// still shown, and a permission refusal in it still holds.
LoginMessage takeLoginMessage(QString &reply);

} // namespace jaserelle::client
