#pragma once

#include "tools/demo-peers/cast.h"

#include <QString>

// What a demo member writes, as the RTF of a send box: built as a rich text document and written
// by the client's own RTF writer, so the demo follows whatever the client sends.
namespace messages {

// "<hello> <user> !" in bold, then the member's line, in its font and colour, then its smiley.
QString greeting(const CastMember &member, const QString &user);
// One short line in the member's font and colour.
QString reply(const CastMember &member, const QString &text);

} // namespace messages
