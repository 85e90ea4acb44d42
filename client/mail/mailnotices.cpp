#include "client/mail/mailnotices.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

Notice selfMailNotice()
{
    return {u"Drole d'idée..."_s, u"Est-ce vraiment bien utile ?"_s, Notice::Icon::Question};
}

Notice emptyMailNotice()
{
    return {u"Attention."_s, u"Vous n'avez pas saisi votre message."_s};
}

Notice tildeInMailNotice()
{
    return {u"Attention."_s, u"Désolé, le caractère ~ n'est pas autorisé dans les mails."_s};
}

Notice untravellableCharactersNotice(const QStringList &characters)
{
    QStringList quoted;
    for (const QString &c : characters)
        quoted.append(u"« "_s + c + u" »"_s);
    const bool one = characters.size() == 1;
    return {u"Attention"_s,
            (one ? u"Ce caractère ne peut pas être envoyé par mail : "_s
                 : u"Ces caractères ne peuvent pas être envoyés par mail : "_s) +
                quoted.join(u", "_s) + u".\r\n"_s +
                (one ? u"Remplacez-le ou retirez-le, puis cliquez de nouveau sur Envoyer."_s
                     : u"Remplacez-les ou retirez-les, puis cliquez de nouveau sur Envoyer."_s),
            Notice::Icon::Warning};
}

Notice mailSentNotice()
{
    return {u"Mail envoyé."_s, u"Votre mail a été transmit."_s};
}

Notice mailDeletedNotice()
{
    return {u"Mails."_s, u"Le mail a été supprimé."_s};
}

std::optional<Notice> mailFailureNotice(RequestKind kind)
{
    switch (kind) {
    case RequestKind::SendMail:
        return Notice{u"Attention."_s, u"Votre mail n'a pas pu être envoyé."_s};
    case RequestKind::ReadMails:
        return Notice{u"Attention."_s, u"Impossible d'accéder à vos mails."_s};
    case RequestKind::DeleteMail:
        return Notice{u"Attention."_s, u"Impossible de supprimer ce mail."_s};
    default:
        return std::nullopt;
    }
}

} // namespace jaserelle::client
