#include "client/shell/shellnotices.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

Notice anotherInstanceNotice()
{
    return {u"Attention."_s, u"Une autre instance de l'application est déjà démarrée."_s};
}

Notice diskAccessNotice()
{
    return {u"Erreur."_s, u"Problème d'accès au disque dur."_s};
}

Notice missingSettingsNotice()
{
    return {u"Erreur."_s, u"Le fichier jaserelle.ini n'existe pas,\r\nConsulter l'aide en ligne."_s};
}

Notice loginNotAlphanumericNotice()
{
    return {
        u"Attention !"_s,
        u"Votre pseudo et votre mot de passe ne doivent\r\ncontenir que des caractères alpha-numériques."_s};
}

Notice signUpNotice(const QString &serverHost)
{
    return {u"Inscription Jaserelle"_s, u"Inscrivez-vous gratuitement sur le site "_s + serverHost +
                                            u" !\r\nCette opération ne vous prendra que quelques minutes.\r\n"
                                            u"Revenez ensuite sur la fenêtre de connection."_s};
}

Notice accountUnknownNotice(const QString &serverHost)
{
    return {u"Erreur d'authentification."_s, u"Ce compte n'est pas enregistré\r\nsur "_s + serverHost};
}

Notice soundSettingNotSavedNotice()
{
    return {u"Jaserelle"_s, u"erreur"_s, Notice::Icon::None};
}

} // namespace jaserelle::client
