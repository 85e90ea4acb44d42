#pragma once

#include <QString>
#include <QStringView>
#include <span>

namespace jaserelle::client {

// The server's records are fields separated by ",": fills each leading field in turn from
// `text`; the last one takes whatever is left. False when a separator is missing, in which case
// no record should be built from what was read.
bool splitCommaFields(QStringView text, std::span<QString *const> leading, QString &last);
// The same, the fields left as views into `text`.
bool splitCommaFields(QStringView text, std::span<QStringView *const> leading, QStringView &last);

} // namespace jaserelle::client
