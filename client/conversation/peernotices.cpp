#include "client/conversation/peernotices.h"

using namespace Qt::StringLiterals;

PeerNotice refusalNotice(const QString &peerPseudo)
{
    return {u":-("_s, peerPseudo + u" a refusé votre appel !"_s};
}

PeerNotice communicationNotice(const QString &peerPseudo)
{
    return {u"Erreur"_s,
            u"Problème de communication, "_s + peerPseudo + u"\r\n s'est peut-être déconnecté(e)."_s};
}

PeerNotice cutOffNotice(const QString &peerPseudo)
{
    return {u"Fin de conversation"_s, u"La conversation a été coupée par "_s + peerPseudo + u"."_s};
}
