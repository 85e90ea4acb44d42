#pragma once

#include <QString>
#include <QStringList>

namespace jaserelle::client {

// Mails reach the server one byte per character, in Windows-1252: a character the code page lacks
// would arrive as "?". These are the characters of `text` that cannot travel, each once, in the
// order they first appear (an emoji is one entry, whatever its UTF-16 length).
QStringList charactersThatCannotTravel(const QString &text);

} // namespace jaserelle::client
