#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace jaserelle::client {

// Text on both wire channels is Windows-1252, one byte per character.
namespace wiretext {

QByteArray toWire(const QString &text);
QString fromWire(QByteArrayView bytes);

} // namespace wiretext

} // namespace jaserelle::client
