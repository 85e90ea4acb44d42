#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace jaserelle::client {

// The number of mails waiting, as any server reply may carry it: "MYMAILSNUMBER," then the number
// and a closing ",". A number that does not start with a digit reads as 0; no marker, or no
// closing "," (a cut reply), gives nothing, so the indicator keeps what it showed.
std::optional<int> parseMailCount(QStringView reply);

// The markers of the mail count are consumed: the handlers after it never see them.
void removeMailCountMarkers(QString &reply);

} // namespace jaserelle::client
