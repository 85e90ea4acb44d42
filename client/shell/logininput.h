#pragma once

#include <QString>

namespace jaserelle::client {

// The pseudo and password as typed, cleaned the way the login window cleans them.
struct LoginInput
{
    enum class Verdict
    {
        Accepted,
        NotAlphanumeric,
        Empty
    };

    Verdict verdict = Verdict::Empty;
    QString pseudo;   // spaces removed, case kept: written back into the boxes
    QString password; // spaces removed, case kept
    QString login() const { return pseudo.toLower(); }
    QString loginPassword() const { return password.toLower(); }
};

LoginInput cleanLoginInput(const QString &typedPseudo, const QString &typedPassword);

// Letters and digits only, by single-byte code; the empty text passes.
bool isAlphanumeric(const QString &text);

} // namespace jaserelle::client
