#pragma once

#include "community/store/store.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <utility>

namespace jaserelle::community {

// What every refresh reads (both contact lists, who black-listed the member, the mail count),
// kept in memory in front of another store. Every member asks for it every 30 seconds and it
// changes only when a list or a mail box does, so the database is read once per change instead
// of once per refresh.
//
// Writes go through this object and drop exactly what they change. A write that may touch many
// members' rows (a photo, a permission) drops everything. Writes made by other processes (several
// servers on one PostgreSQL database, the admin commands) reach it through invalidate().
class CachingStore final : public Store
{
public:
    explicit CachingStore(Store &inner) : inner_(inner) {}

    bool createMember(const Member &member) override;
    std::optional<Member> member(std::string_view pseudo) override { return inner_.member(pseudo); }
    std::vector<MemberSummary> listMembers() override { return inner_.listMembers(); }
    bool setPermitted(std::string_view pseudo, bool permitted) override;
    bool setHasPhoto(std::string_view pseudo, bool hasPhoto) override;
    void setLastConnection(std::string_view pseudo, std::string_view date) override
    {
        inner_.setLastConnection(pseudo, date);
    }
    void setPasswordHash(std::string_view pseudo, std::string_view hash) override
    {
        inner_.setPasswordHash(pseudo, hash); // members' rows are not cached
    }
    std::string setting(std::string_view key) override { return inner_.setting(key); }
    void setSetting(std::string_view key, std::string_view value) override { inner_.setSetting(key, value); }

    std::vector<MemberSummary> contacts(std::string_view owner, ListKind list) override;
    std::shared_ptr<const std::vector<MemberSummary>> sharedContacts(std::string_view owner,
                                                                     ListKind list) override;
    std::vector<std::string> blackListedBy(std::string_view pseudo) override;
    AddContactResult addContact(std::string_view owner, std::string_view target, ListKind list) override;
    void removeContact(std::string_view owner, std::string_view target, ListKind list) override;
    bool hasBlackListed(std::string_view owner, std::string_view target) override
    {
        return inner_.hasBlackListed(owner, target);
    }
    std::vector<MemberSummary> search(const SearchQuery &query) override { return inner_.search(query); }

    bool addMail(const Mail &mail) override;
    std::vector<Mail> mails(std::string_view recipient) override { return inner_.mails(recipient); }
    int mailCount(std::string_view recipient) override;
    MailBoxSize mailBoxSize(std::string_view recipient) override { return inner_.mailBoxSize(recipient); }
    std::vector<Mail> mailsUpTo(std::string_view recipient, std::size_t bytes) override
    {
        return inner_.mailsUpTo(recipient, bytes);
    }
    bool deleteMail(const Mail &mail) override;

    // A list with a value derived from it for one day (the refresh's formatted lines: ages change
    // at midnight), made by `derive` once per list and day and dropped with the list.
    using Derive = std::function<std::shared_ptr<const void>(const std::vector<MemberSummary> &)>;
    struct DerivedContacts
    {
        std::shared_ptr<const std::vector<MemberSummary>> members;
        std::shared_ptr<const void> derived; // of these very members
    };
    DerivedContacts derivedContacts(std::string_view owner, ListKind list, std::string_view day,
                                    const Derive &derive);

    // Another process changed this member's lists or mail box ("": anything may have changed).
    void invalidate(std::string_view pseudo);

private:
    // Every write moves the generation when it starts and when it ends, and drops what it changed
    // after it ends. A reader keeps what it read only when the generation did not move meanwhile;
    // a write still running at that moment drops the value right after.
    template <typename Write> auto writing(Write &&write);
    void dropMember(std::string_view pseudo);
    void dropAll();

    struct ContactsEntry
    {
        std::shared_ptr<const std::vector<MemberSummary>> members;
        std::mutex mutex; // for what follows
        std::string day;
        std::shared_ptr<const void> derived;
    };
    std::shared_ptr<ContactsEntry> contactsEntry(std::string_view owner, ListKind list);

    Store &inner_;
    std::shared_mutex mutex_;
    std::atomic<unsigned long long> generation_{0};
    std::map<std::pair<std::string, ListKind>, std::shared_ptr<ContactsEntry>, std::less<>> contacts_;
    std::unordered_map<std::string, std::vector<std::string>> blackListedBy_;
    std::unordered_map<std::string, int> mailCounts_;
};

} // namespace jaserelle::community
