#pragma once

#include <QString>

namespace jaserelle::client {

// The subject of an answer: "Re: " before the mail's own, once, however long the exchange runs.
QString replySubject(const QString &subject);

} // namespace jaserelle::client
