#include "client/history/historynotices.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

Notice historyFailureNotice(const QString &why)
{
    return {u"Historique"_s,
            u"L'historique des conversations ne peut pas être enregistré (%1).\r\n"
            u"Vos conversations continuent, mais ne sont plus gardées pendant cette session."_s.arg(why),
            Notice::Icon::Warning};
}

QString historyDeletionQuestion()
{
    return u"Effacer tout l'historique des conversations ?\r\nCette opération est définitive."_s;
}

Notice historyDeletedNotice()
{
    return {u"Historique"_s, u"L'historique des conversations a été effacé."_s};
}

} // namespace jaserelle::client
