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

// The engines a test binary runs against, chosen by the environment so that one suite proves every
// store: JASERELLE_TEST_STORE=postgresql (the cluster pg_virtualenv makes around the program),
// JASERELLE_TEST_PRESENCE=redis (a server started for this process and stopped when it ends).
bool usePostgres();
bool useRedis();
// Why the engines cannot run here; empty when they can (Redis is started on the first call).
std::string enginesUnavailable(bool postgres = usePostgres(), bool redis = useRedis());

int freePort();
// An empty store (the PostgreSQL test database emptied, or a SQLite file in `dir`), sessions in
// memory or in the test Redis emptied, a fresh PostgreSQL database of the test cluster, the test
// Redis emptied or as it is, one redis-cli command to it ("SET k v") and what that prints.
std::unique_ptr<Store> openTestStore(const std::filesystem::path &dir);
std::unique_ptr<SessionStore> openTestSessions(Clock clock);
std::string freshPostgresUrl();
std::string freshRedisUrl();
std::string testRedisUrl();
void redisCli(const std::string &command);
std::string redisCliOutput(const std::string &command);
// The key directory and the relayed addresses beside `sessions`: in memory, or in its Redis.
std::unique_ptr<KeyStore> openTestKeys();
std::unique_ptr<RelayStore> openTestRelayed(SessionStore &sessions);

} // namespace jaserelle::community::test
