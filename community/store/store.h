#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Everything the community keeps on disk, behind one interface. Text is UTF-8 here; the wire's
// Windows-1252 never reaches the store. Pseudos are lower-case letters and digits.
//
// The interface speaks in whole operations (add a contact, delete one mail) rather than in rows,
// so that a PostgreSQL store for several server processes can implement each one as one
// transaction without the callers changing.
namespace jaserelle::community {

// What a store throws when it cannot be opened, is damaged or newer than this server, or loses its
// database server.
class StoreError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

enum class ListKind
{
    Favoris,
    ListeNoire
};

// The optional profile fields; empty text, 0 and -1 mean "not given".
struct Profile
{
    std::string firstName;
    std::string town;
    std::string region;
    int heightCm = 0;
    int weightKg = 0;
    std::string hair;
    std::string eyes;
    std::string ethnicity;
    std::string style;
    std::string smoker;
    std::string maritalStatus; // "jamais marie", "marie", "separe", "divorce", "veuf" or empty
    int children = -1;
};

struct Member
{
    std::string pseudo;
    std::string passwordHash; // crypto_pwhash_str
    std::string sex;          // "H" or "F"
    std::string birthDate;    // YYYY-MM-DD
    std::string postalCode;
    Profile profile;
    bool hasPhoto = false;
    bool permitted = true;
    std::string lastConnection; // YYYY-MM-DD, empty when never connected
};

// What a contact or search record needs of a member.
struct MemberSummary
{
    std::string pseudo;
    std::string sex;
    std::string birthDate;
    std::string postalCode;
    bool hasPhoto = false;
    bool permitted = true;
};

struct SearchQuery
{
    std::string pseudoPart; // non-empty: search by pseudo, the criteria below are ignored
    std::optional<std::string> sex;
    std::optional<std::string> region;
    std::optional<std::string> bornAfter; // birth date > this (YYYY-MM-DD)
    std::optional<std::string> bornOnOrBefore;
    std::optional<int> heightMin; // inclusive
    std::optional<int> heightMax; // exclusive
    std::optional<int> weightMin;
    std::optional<int> weightMax;
    bool withPhotoOnly = false;
    std::string excludePseudo; // the searcher
    int limit = 100;
};

struct MailBoxSize
{
    int count = 0;
    std::int64_t bytes = 0;
};

struct Mail
{
    std::int64_t id = 0;
    std::string sender;
    std::string recipient;
    std::string date;    // YYYY-MM-DD
    std::string time;    // HH:MM:SS
    std::string subject; // empty: no subject
    std::string text;
};

enum class AddContactResult
{
    Added,
    Moved,
    AlreadyInList,
    NoSuchMember
};

class Store
{
public:
    virtual ~Store() = default;

    // Members. createMember is false when the pseudo is taken.
    virtual bool createMember(const Member &member) = 0;
    virtual std::optional<Member> member(std::string_view pseudo) = 0;
    virtual std::vector<MemberSummary> listMembers() = 0;
    virtual bool setPermitted(std::string_view pseudo, bool permitted) = 0;
    virtual bool setHasPhoto(std::string_view pseudo, bool hasPhoto) = 0;
    virtual void setLastConnection(std::string_view pseudo, std::string_view date) = 0;
    // The same password hashed anew (other limits); nothing when the pseudo is unknown.
    virtual void setPasswordHash(std::string_view pseudo, std::string_view hash) = 0;

    // Server-wide settings (the message shown at login, the demo marker).
    virtual std::string setting(std::string_view key) = 0;
    virtual void setSetting(std::string_view key, std::string_view value) = 0;

    // Contact lists. A member is in at most one of an owner's two lists: adding to one list
    // takes the member out of the other (the client's "move" is a single add).
    virtual std::vector<MemberSummary> contacts(std::string_view owner, ListKind list) = 0;
    // The same rows, shared rather than copied where the store keeps them in memory.
    virtual std::shared_ptr<const std::vector<MemberSummary>> sharedContacts(std::string_view owner,
                                                                             ListKind list)
    {
        return std::make_shared<const std::vector<MemberSummary>>(contacts(owner, list));
    }
    virtual std::vector<std::string> blackListedBy(std::string_view pseudo) = 0;
    virtual AddContactResult addContact(std::string_view owner, std::string_view target, ListKind list) = 0;
    virtual void removeContact(std::string_view owner, std::string_view target, ListKind list) = 0;
    virtual bool hasBlackListed(std::string_view owner, std::string_view target) = 0;

    // At most query.limit rows, ordered by pseudo.
    virtual std::vector<MemberSummary> search(const SearchQuery &query) = 0;

    // Mail boxes, oldest mail first.
    virtual bool addMail(const Mail &mail) = 0;
    virtual std::vector<Mail> mails(std::string_view recipient) = 0;
    virtual int mailCount(std::string_view recipient) = 0;
    // How many mails a box holds and the bytes of their subjects and texts: what its bounds count.
    virtual MailBoxSize mailBoxSize(std::string_view recipient)
    {
        MailBoxSize size;
        for (const Mail &m : mails(recipient)) {
            ++size.count;
            size.bytes += static_cast<std::int64_t>(m.subject.size() + m.text.size());
        }
        return size;
    }
    // The oldest mails of a box while their subjects and texts stay within `bytes` (the oldest
    // one always): a box of any size is listed without the whole of it in memory.
    virtual std::vector<Mail> mailsUpTo(std::string_view recipient, std::size_t bytes)
    {
        std::vector<Mail> all = mails(recipient);
        std::size_t used = 0, kept = 0;
        for (; kept < all.size(); ++kept) {
            used += all[kept].subject.size() + all[kept].text.size();
            if (kept > 0 && used > bytes)
                break;
        }
        all.resize(kept);
        return all;
    }
    // Deletes one mail of the box matching sender, date, time to the minute ("HH:MM"), subject
    // (empty for none) and text; false when none matches.
    virtual bool deleteMail(const Mail &mail) = 0;
};

} // namespace jaserelle::community
