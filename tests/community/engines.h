#pragma once

#include "community/core/clock.h"
#include "community/keys/keystore.h"
#include "community/presence/sessionstore.h"
#include "community/relay/relaystore.h"
#include "community/store/store.h"

#include <filesystem>
#include <memory>
#include <string>

namespace jaserelle::community::test {

// The engines a test binary runs against, chosen by the environment so that one suite proves
// every store: JASERELLE_TEST_STORE=postgresql, JASERELLE_TEST_PRESENCE=redis. Each engine is a
// real server of this run's own: PostgreSQL the cluster pg_virtualenv makes around the program,
// Redis one started for this process in a temporary folder and stopped when it ends.
bool usePostgres();
bool useRedis();

// Why the engines (by default the chosen ones) cannot run here; empty when they can, started on
// first call.
std::string enginesUnavailable(bool postgres = usePostgres(), bool redis = useRedis());

// An empty store: the PostgreSQL test database emptied, or a SQLite file in `dir`.
std::unique_ptr<Store> openTestStore(const std::filesystem::path &dir);
// Sessions in memory, or in the test Redis emptied.
std::unique_ptr<SessionStore> openTestSessions(Clock clock);
// A fresh, empty PostgreSQL database of the test cluster.
std::string freshPostgresUrl();
// The test Redis, emptied.
std::string freshRedisUrl();
// The test Redis as it is, and one command to it by redis-cli ("SET k v").
std::string testRedisUrl();
void redisCli(const std::string &command);
std::string redisCliOutput(const std::string &command);
// The key directory: in memory, or in the test Redis as the sessions left it.
std::unique_ptr<KeyStore> openTestKeys();
// The relayed addresses beside `sessions` (from openTestSessions): in memory, or in its Redis.
std::unique_ptr<RelayStore> openTestRelayed(SessionStore &sessions);

} // namespace jaserelle::community::test
