#include "client/shell/logininput.h"

#include "common/alphanumeric.h"

namespace jaserelle::client {

bool isAlphanumeric(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() > 0x7F)
            return false; // accented letters and the like never pass
        const char byte = static_cast<char>(c.unicode());
        if (!jaserelle::isAlphanumeric(std::string_view(&byte, 1)))
            return false;
    }
    return true;
}

LoginInput cleanLoginInput(const QString &typedPseudo, const QString &typedPassword)
{
    LoginInput input;
    input.pseudo = QString(typedPseudo).remove(u' ');
    input.password = QString(typedPassword).remove(u' ');
    if (!isAlphanumeric(input.pseudo) || !isAlphanumeric(input.password))
        input.verdict = LoginInput::Verdict::NotAlphanumeric;
    else if (input.pseudo.isEmpty() || input.password.isEmpty())
        input.verdict = LoginInput::Verdict::Empty;
    else
        input.verdict = LoginInput::Verdict::Accepted;
    return input;
}

} // namespace jaserelle::client
