#pragma once

#include <QByteArray>
#include <QStringView>

namespace jaserelle::client {

// The picture carried by a photo answer: the bytes after the first empty line (the end of the
// headers), back in the single-byte form they travelled in. Empty when there is no empty line.
QByteArray photoBytes(QStringView reply);

} // namespace jaserelle::client
