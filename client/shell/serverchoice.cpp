#include "client/shell/serverchoice.h"

#include <algorithm>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

// A DNS name is at most 253 characters; a port and a scheme fit in what remains.
constexpr qsizetype maxHostLength = 255;

} // namespace

ServerChoice chooseServer(const QString &typed, const QString &current)
{
    const QString host = typed.trimmed();
    if (host.isEmpty() || host == current)
        return {ServerChoice::Verdict::Unchanged, current};
    const bool clean = std::none_of(host.cbegin(), host.cend(), [](QChar c) {
        return c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
               c == u'|';
    });
    if (!clean || host.size() > maxHostLength)
        return {ServerChoice::Verdict::Invalid, current};
    return {ServerChoice::Verdict::Changed, host};
}

Notice invalidServerNotice(const QString &typed)
{
    return {u"Serveur Jaserelle"_s,
            u"« "_s + typed.trimmed().left(80) +
                u" » n'est pas une adresse de serveur. Tapez le nom ou l'adresse du serveur, suivi de "
                u"deux-points et du port (par exemple jaserelle.example:8080)."_s,
            Notice::Icon::Warning};
}

} // namespace jaserelle::client
