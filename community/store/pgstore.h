#pragma once

#include "community/store/store.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace jaserelle::community {

class PgConnection;

// The store shared by several server processes: one PostgreSQL database, a pool of connections
// per process, every statement prepared once per connection and bound. Each write that changes
// what the refresh cache holds announces it on the channel `changesChannel`, inside its own
// transaction, so the announcement goes out exactly when the change is committed.
class PgStore final : public Store
{
public:
    // Connects (url: "postgresql://user@host:port/db" or a libpq keyword string) and migrates the
    // schema. Throws StoreError when the server cannot be reached or holds a newer schema.
    explicit PgStore(std::string url, int poolSize = 8);
    ~PgStore() override;

    static constexpr int schemaVersion = 1;
    static constexpr const char *changesChannel = "jaserelle_changes";
    int userVersion();
    const std::string &url() const { return url_; }

    bool createMember(const Member &member) override;
    std::optional<Member> member(std::string_view pseudo) override;
    std::vector<MemberSummary> listMembers() override;
    bool setPermitted(std::string_view pseudo, bool permitted) override;
    bool setHasPhoto(std::string_view pseudo, bool hasPhoto) override;
    void setLastConnection(std::string_view pseudo, std::string_view date) override;
    void setPasswordHash(std::string_view pseudo, std::string_view hash) override;
    std::string setting(std::string_view key) override;
    void setSetting(std::string_view key, std::string_view value) override;
    std::vector<MemberSummary> contacts(std::string_view owner, ListKind list) override;
    std::vector<std::string> blackListedBy(std::string_view pseudo) override;
    AddContactResult addContact(std::string_view owner, std::string_view target, ListKind list) override;
    void removeContact(std::string_view owner, std::string_view target, ListKind list) override;
    bool hasBlackListed(std::string_view owner, std::string_view target) override;
    std::vector<MemberSummary> search(const SearchQuery &query) override;
    bool addMail(const Mail &mail) override;
    std::vector<Mail> mails(std::string_view recipient) override;
    int mailCount(std::string_view recipient) override;
    bool deleteMail(const Mail &mail) override;

private:
    class Lease;
    Lease lease();
    void migrate(PgConnection &c);

    std::string url_;
    int poolSize_;
    std::mutex poolMutex_;
    std::condition_variable poolFree_;
    int lent_ = 0;
    std::vector<std::unique_ptr<PgConnection>> idle_;
};

} // namespace jaserelle::community
