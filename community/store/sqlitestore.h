#pragma once

#include "community/store/store.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

struct sqlite3;

namespace jaserelle::community {

// The embedded store: one SQLite file in WAL mode, one connection per concurrent caller (taken
// from a small pool), every statement prepared once per connection and bound, never spliced.
class SqliteStore final : public Store
{
public:
    // Opens (creating when absent), checks (PRAGMA quick_check) and migrates the database to
    // schemaVersion. Throws StoreError when the file cannot be opened, is damaged, or was written
    // by a newer server.
    explicit SqliteStore(std::filesystem::path file);
    ~SqliteStore() override;

    static constexpr int schemaVersion = 1;
    int userVersion();

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
    MailBoxSize mailBoxSize(std::string_view recipient) override;
    std::vector<Mail> mailsUpTo(std::string_view recipient, std::size_t bytes) override;
    int mailCount(std::string_view recipient) override;
    bool deleteMail(const Mail &mail) override;

    class Connection;

private:
    class Lease;
    Lease lease();
    void migrate(Connection &c);
    void checkIntegrity(Connection &c);

    std::filesystem::path file_;
    std::mutex poolMutex_;
    std::vector<std::unique_ptr<Connection>> idle_;
};

} // namespace jaserelle::community
