#include "community/store/cachingstore.h"

#include <mutex>

namespace jaserelle::community {

template <typename Write> auto CachingStore::writing(Write &&write)
{
    ++generation_;
    struct Bump
    {
        std::atomic<unsigned long long> &g;
        ~Bump() { ++g; }
    } bump{generation_};
    return write();
}

void CachingStore::dropMember(std::string_view pseudo)
{
    std::unique_lock lock(mutex_);
    const std::string key(pseudo);
    contacts_.erase({key, ListKind::Favoris});
    contacts_.erase({key, ListKind::ListeNoire});
    blackListedBy_.erase(key);
    mailCounts_.erase(key);
}

void CachingStore::dropAll()
{
    std::unique_lock lock(mutex_);
    contacts_.clear();
    blackListedBy_.clear();
    mailCounts_.clear();
}

void CachingStore::invalidate(std::string_view pseudo)
{
    // A reader that read the database before this announcement must not keep what it read.
    ++generation_;
    if (pseudo.empty())
        dropAll();
    else
        dropMember(pseudo);
}

bool CachingStore::createMember(const Member &member)
{
    return writing([&] { return inner_.createMember(member); });
}

bool CachingStore::setPermitted(std::string_view pseudo, bool permitted)
{
    const bool done = writing([&] { return inner_.setPermitted(pseudo, permitted); });
    dropAll();
    return done;
}

bool CachingStore::setHasPhoto(std::string_view pseudo, bool hasPhoto)
{
    const bool done = writing([&] { return inner_.setHasPhoto(pseudo, hasPhoto); });
    dropAll(); // the photo flag shows in every list that holds the member
    return done;
}

std::vector<MemberSummary> CachingStore::contacts(std::string_view owner, ListKind list)
{
    return *sharedContacts(owner, list);
}

std::shared_ptr<CachingStore::ContactsEntry> CachingStore::contactsEntry(std::string_view owner,
                                                                         ListKind list)
{
    const std::pair<std::string, ListKind> key(owner, list);
    {
        std::shared_lock lock(mutex_);
        auto it = contacts_.find(key);
        if (it != contacts_.end())
            return it->second;
    }
    const auto before = generation_.load();
    auto entry = std::make_shared<ContactsEntry>();
    entry->members = std::make_shared<const std::vector<MemberSummary>>(inner_.contacts(owner, list));
    std::unique_lock lock(mutex_);
    if (generation_.load() == before)
        contacts_[key] = entry;
    return entry;
}

std::shared_ptr<const std::vector<MemberSummary>> CachingStore::sharedContacts(std::string_view owner,
                                                                               ListKind list)
{
    return contactsEntry(owner, list)->members;
}

CachingStore::DerivedContacts CachingStore::derivedContacts(std::string_view owner, ListKind list,
                                                            std::string_view day, const Derive &derive)
{
    const auto entry = contactsEntry(owner, list);
    std::lock_guard lock(entry->mutex);
    if (!entry->derived || entry->day != day) {
        entry->derived = derive(*entry->members);
        entry->day = day;
    }
    return {entry->members, entry->derived};
}

std::vector<std::string> CachingStore::blackListedBy(std::string_view pseudo)
{
    const std::string key(pseudo);
    {
        std::shared_lock lock(mutex_);
        auto it = blackListedBy_.find(key);
        if (it != blackListedBy_.end())
            return it->second;
    }
    const auto before = generation_.load();
    auto rows = inner_.blackListedBy(pseudo);
    std::unique_lock lock(mutex_);
    if (generation_.load() == before)
        blackListedBy_[key] = rows;
    return rows;
}

int CachingStore::mailCount(std::string_view recipient)
{
    const std::string key(recipient);
    {
        std::shared_lock lock(mutex_);
        auto it = mailCounts_.find(key);
        if (it != mailCounts_.end())
            return it->second;
    }
    const auto before = generation_.load();
    const int count = inner_.mailCount(recipient);
    std::unique_lock lock(mutex_);
    if (generation_.load() == before)
        mailCounts_[key] = count;
    return count;
}

AddContactResult CachingStore::addContact(std::string_view owner, std::string_view target, ListKind list)
{
    const auto result = writing([&] { return inner_.addContact(owner, target, list); });
    dropMember(owner);
    dropMember(target); // its "black-listed by" may have changed
    return result;
}

void CachingStore::removeContact(std::string_view owner, std::string_view target, ListKind list)
{
    writing([&] {
        inner_.removeContact(owner, target, list);
        return 0;
    });
    dropMember(owner);
    dropMember(target);
}

bool CachingStore::addMail(const Mail &mail)
{
    const bool done = writing([&] { return inner_.addMail(mail); });
    dropMember(mail.recipient);
    return done;
}

bool CachingStore::deleteMail(const Mail &mail)
{
    const bool done = writing([&] { return inner_.deleteMail(mail); });
    dropMember(mail.recipient);
    return done;
}

} // namespace jaserelle::community
