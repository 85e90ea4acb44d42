#include "client/directory/directorynotices.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

Notice searchPseudoNotAlphanumericNotice()
{
    return {u"Attention !"_s,
            u"Le pseudo du membre ne doit contenir\r\nque des caractères alpha-numériques."_s};
}

Notice noSearchResultNotice()
{
    return {u"Resultat"_s,
            u"Aucune membre ne correspond à votre recherche.\r\nVeuillez élargir vos critères."_s};
}

Notice maxResultReachedNotice(const QString &count)
{
    return {u"Attention"_s, u"Plus de "_s + count + u" membres correspondants aux critères que vous\r\n"_s +
                                u"avez séléctionnés ont été trouvés. Les "_s + count +
                                u" premiers membres\r\n"_s +
                                u"trouvés ont été retenus. Affinez votre recherche."_s};
}

} // namespace jaserelle::client
