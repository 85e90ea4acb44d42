#pragma once

#include "client/platform/notice.h"

#include <QString>

namespace jaserelle::client {

// What the login window's server field asks for, against the server of the moment.
struct ServerChoice
{
    enum class Verdict
    {
        Unchanged, // the same server, or the field left empty
        Changed,
        Invalid // not something jaserelle.ini can hold as its server line
    };
    Verdict verdict = Verdict::Unchanged;
    QString host; // trimmed; the current server unless Changed
};

// The host is written as one line of jaserelle.ini and put in every request's address, so white
// space, control characters and overlong text are refused rather than written.
ServerChoice chooseServer(const QString &typed, const QString &current);

Notice invalidServerNotice(const QString &typed);

} // namespace jaserelle::client
