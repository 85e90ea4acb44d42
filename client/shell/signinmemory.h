#pragma once

#include "client/platform/notice.h"

#include <QString>
#include <functional>

namespace jaserelle::client {

struct ClientState;
class FrmLogin;
class Notifier;
class PasswordStore;

// "Se souvenir du mot de passe": the password of the member who signed in last, kept in the
// desktop's keyring (one entry per member and server), and the check box as he left it. With a
// password kept, the client signs in as soon as it starts.
class SignInMemory
{
public:
    SignInMemory(ClientState &state, Notifier &notifier, PasswordStore &store);

    // At start, the login window holding the last pseudo: the check box as last chosen and, when
    // a password is kept for that pseudo, the password filled in and `signIn` run. Nothing
    // happens when the user has begun to type meanwhile (the keyring may take its time).
    void offer(FrmLogin &login, const QString &lastPseudo, std::function<void()> signIn);
    // The server accepted the login now in `state`: keeps its password, or forgets the one kept.
    void accepted(bool remember);

private:
    QString account(const QString &pseudo) const;

    ClientState &state_;
    Notifier &notifier_;
    PasswordStore &store_;
};

// The keyring refused the password: it has to be typed at the next start.
Notice passwordNotKeptNotice();

} // namespace jaserelle::client
