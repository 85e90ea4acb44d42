#include "client/contacts/contacteditnotices.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

Notice notAlphanumericPseudoNotice()
{
    return {u"Attention !"_s, u"Le pseudo ne doit contenir que\r\ndes caractères alpha-numériques."_s};
}

Notice selfAddNotice()
{
    return {u"Attention."_s, u"Vous ne pouvez pas vous ajouter vous-même à vos listes."_s};
}

std::optional<Notice> memberUnknownNotice(RequestKind kind)
{
    switch (kind) {
    case RequestKind::AddFavoris:
        return Notice{
            u"Attention."_s,
            u"Le pseudo que vous avez saisi n'existe pas,\r\nil n'a pas été ajouté à vos favoris."_s};
    case RequestKind::AddListeNoire:
        return Notice{
            u"Attention."_s,
            u"Le pseudo que vous avez saisi n'existe pas,\r\nil n'a pas été ajouté en liste noire."_s};
    default:
        return std::nullopt;
    }
}

std::optional<Notice> alreadyListedNotice(RequestKind kind)
{
    switch (kind) {
    case RequestKind::AddFavoris:
        return Notice{u"Attention."_s, u"Le pseudo que vous avez saisi est déjà dans vos favoris."_s};
    case RequestKind::AddListeNoire:
        return Notice{u"Attention."_s, u"Le pseudo est déjà en liste noire."_s};
    default:
        return std::nullopt;
    }
}

} // namespace jaserelle::client
