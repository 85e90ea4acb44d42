#pragma once

#include "client/platform/notice.h"

namespace jaserelle::client {

// The history file cannot be opened or written (damaged, disk full, no room for the folder).
Notice historyFailureNotice(const QString &why);
// The question asked before every entry is deleted.
QString historyDeletionQuestion();
Notice historyDeletedNotice();

} // namespace jaserelle::client
