#pragma once

#include <QString>
#include <QStringView>

namespace jaserelle::client {

// The constant RTF pieces every entry of a conversation box is built from. Peers running older
// clients build the same entries from the same texts, byte for byte.
namespace rtffragments {

// A name line in red (this user's own entries) or blue (the peer's): colour 1 differs, nothing else.
extern const QString ownHeader;
extern const QString peerHeader;
// Closes a name line: " : " in bold, not underlined, then the paragraph break.
extern const QString nameTrailer;
// "a envoyé un son" in plain black: what a sound effect shows, and what follows its command.
extern const QString soundNotice;

// Header, pseudo and trailer. The pseudo comes from the other machine: it is written as RTF text,
// so a brace or a backslash in it shows as itself instead of changing the document.
QString nameLine(bool own, const QString &pseudo);

// Text as RTF text: "\", "{" and "}" escaped, characters above 127 as \'xx of their Windows-1252
// byte, characters the code page lacks as \uN (UTF-16, a surrogate pair beyond the first plane)
// followed by one "?" that readers without \u show instead. Text that fits the code page comes
// out exactly as it always did.
QString escapeText(const QString &text);
// Whether escapeText wrote a \u: the document then declares \uc1, one fallback per \u.
bool hasUnicodeEscape(QStringView rtf);

} // namespace rtffragments

} // namespace jaserelle::client
