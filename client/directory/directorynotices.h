#pragma once

#include "client/platform/notice.h"

#include <QString>

namespace jaserelle::client {

// The messages of the member search, each with its own title.
Notice searchPseudoNotAlphanumericNotice();
Notice noSearchResultNotice();
Notice maxResultReachedNotice(const QString &count);

} // namespace jaserelle::client
