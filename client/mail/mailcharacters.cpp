#include "client/mail/mailcharacters.h"

#include "common/cp1252.h"

namespace jaserelle::client {

QStringList charactersThatCannotTravel(const QString &text)
{
    QStringList found;
    for (const char32_t c : text.toUcs4()) {
        if (jaserelle::cp1252::fromUnicode(c))
            continue;
        const QString character = QString::fromUcs4(&c, 1);
        if (!found.contains(character))
            found.append(character);
    }
    return found;
}

} // namespace jaserelle::client
