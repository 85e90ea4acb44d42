#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace jaserelle::client {

// Where a remembered password is kept: the desktop's keyring, never a file. Every call answers
// later, through its callback, because the keyring may have to ask the user to unlock it first;
// a callback never runs once the store is gone. Tests pass an in-memory store.
class PasswordStore
{
public:
    virtual ~PasswordStore() = default;
    // The password kept under `account`; nothing when there is none, the keyring is locked and
    // stays so, or there is no keyring at all.
    virtual void read(const QString &account, std::function<void(std::optional<QString>)> done) = 0;
    // `done(false)` when it could not be kept.
    virtual void write(const QString &account, const QString &password, std::function<void(bool)> done) = 0;
    virtual void remove(const QString &account) = 0;
};

// The desktop's keyring through QtKeychain (the Secret Service on a Linux desktop), with no
// fallback to a file.
std::unique_ptr<PasswordStore> makeKeyringPasswordStore();

} // namespace jaserelle::client
