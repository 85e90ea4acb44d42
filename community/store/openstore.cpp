#include "community/store/openstore.h"

#include "community/store/pgstore.h"
#include "community/store/sqlitestore.h"

namespace jaserelle::community {

bool isPostgresUrl(const std::string &url)
{
    return url.rfind("postgresql://", 0) == 0 || url.rfind("postgres://", 0) == 0;
}

std::unique_ptr<Store> openStore(const std::string &url, const std::filesystem::path &dataDir)
{
    if (url.empty()) {
        std::filesystem::create_directories(dataDir);
        return std::make_unique<SqliteStore>(dataDir / "jaserelle.db");
    }
    if (!isPostgresUrl(url))
        throw StoreError("--store takes a postgresql:// address, not " + url);
    return std::make_unique<PgStore>(url);
}

} // namespace jaserelle::community
