#pragma once

#include <QString>
#include <QStringView>

namespace jaserelle::client {

// The start of a received message as one line for a notification bubble: runs of white space
// (line breaks too) become one space, a picture becomes "[image]", and past `maxChars` the text
// is cut at the last word boundary that fits, followed by "…". Plain text: the caller escapes it
// for wherever markup is read.
QString messageExcerpt(QStringView plainText, qsizetype maxChars = 80);

} // namespace jaserelle::client
