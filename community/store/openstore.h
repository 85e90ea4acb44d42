#pragma once

#include "community/store/store.h"

#include <filesystem>
#include <memory>
#include <string>

namespace jaserelle::community {

// The store a server or an admin command works on: PostgreSQL when `url` names one
// ("postgresql://..." or "postgres://..."), else the SQLite file of the data folder.
// Throws StoreError when it cannot be opened or the url is of no known kind.
std::unique_ptr<Store> openStore(const std::string &url, const std::filesystem::path &dataDir);

bool isPostgresUrl(const std::string &url);

} // namespace jaserelle::community
