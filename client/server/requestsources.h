#pragma once

#include "client/server/requestcatalogue.h"

#include <QString>
#include <functional>

namespace jaserelle::client {

// Where the request inputs that live in windows are read from when a connection is established.
// Windows built later fill their entries in; an empty entry reads as an empty value.
struct RequestSources
{
    std::function<QString()> selectedPseudo;
    std::function<QString()> searchPseudo;
    std::function<SearchCriteria()> searchCriteria;
    std::function<OutgoingMail()> outgoingMail;
    std::function<MailRowRef()> selectedMail;
};

} // namespace jaserelle::client
