#include "client/conversation/peernotices.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

Notice refusalNotice(const QString &peerPseudo)
{
    return {u":-("_s, peerPseudo + u" a refusé votre appel !"_s, Notice::Icon::Warning};
}

Notice communicationNotice(const QString &peerPseudo)
{
    return {u"Erreur"_s,
            u"Problème de communication, "_s + peerPseudo + u"\r\n s'est peut-être déconnecté(e)."_s};
}

Notice cutOffNotice(const QString &peerPseudo)
{
    return {u"Fin de conversation"_s, u"La conversation a été coupée par "_s + peerPseudo + u"."_s};
}

Notice unreachableNotice(const QString &peerPseudo)
{
    return {u"Attention"_s, u"Impossible de joindre "_s + peerPseudo +
                                u" : l'adresse connue de ce membre\r\nmène à votre propre ordinateur."_s};
}

Notice portTakenNotice()
{
    return {u"Attention"_s, u"Le port 13196 est déjà utilisé par un autre programme :\r\n"
                            u"vous ne pourrez pas recevoir d'appels pendant cette session.\r\n"
                            u"Vous pouvez toujours appeler vos contacts."_s};
}

Notice keyContradictedNotice(const QString &peerPseudo)
{
    return {u"Attention !"_s,
            u"L'ordinateur joint n'a pas présenté la clé que le serveur publie pour "_s + peerPseudo +
                u".\r\nL'appel est annulé : quelqu'un d'autre a peut-être pris sa place."_s,
            Notice::Icon::Warning};
}

Notice keyChangedNotice(const QString &peerPseudo)
{
    return {u"Attention !"_s,
            u"La clé de chiffrement de "_s + peerPseudo +
                u" a changé depuis votre dernière conversation.\r\nComparez vos empreintes avec ce membre "
                u"(bouton « Chiffrée » de la conversation)."_s,
            Notice::Icon::Warning};
}

} // namespace jaserelle::client
