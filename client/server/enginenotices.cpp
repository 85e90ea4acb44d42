#include "client/server/enginenotices.h"

#include "client/server/requestcatalogue.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

const QString crlf = QStringLiteral("\r\n");

QString framed(FailureFrame frame, const QString &serverHost, QStringView line)
{
    const QStringView last = frame == FailureFrame::A ? u"dès que le serveur sera de nouveau accéssible."
                                                      : u"serveur soit de nouveau accéssible.";
    return u"Le serveur "_s + serverHost + u" est temporairement défaillant,"_s + crlf + line.toString() +
           crlf + u"Si vous ne fermez pas l'application, vous serez prévenus"_s + crlf + last.toString();
}

} // namespace

Notice startFailureNotice(const QString &serverHost)
{
    return {u"Attention!"_s, u"Le serveur "_s + serverHost + u" est temporairement défaillant,"_s + crlf +
                                 u"Veuillez patienter et renouveller votre requète."_s};
}

Notice backOnlineNotice(const QString &serverHost)
{
    return {u"Serveur Jaserelle"_s, u"Le serveur "_s + serverHost + u" est de nouveau disponible."_s + crlf +
                                        u"Vous pouvez à nouveau utiliser Jaserelle."_s};
}

Notice timeoutNotice(RequestKind kind)
{
    const QStringView last = kind == RequestKind::Login
                                 ? u"Vous ne pouvez vous connecter actuellement à Jaserelle."
                                 : u"Veuillez patienter et réitérer votre requète.";
    return {u"Réseau saturé."_s, u"La requète n'a pas été exécuté, le réseau"_s + crlf +
                                     u"ou votre fournisseur d'accès est saturé."_s + crlf + last.toString()};
}

SocketErrorOutcome socketErrorOutcome(RequestKind kind, const QString &serverHost)
{
    SocketErrorOutcome outcome;
    if (kind == RequestKind::Login) {
        outcome.notice =
            Notice{u"Attention!"_s, u"Le serveur "_s + serverHost + u" est défaillant,"_s + crlf +
                                        u"Vous ne pouvez accéder à Jaserelle actuellement."_s};
        // The login window comes back once it is read: another server, or a new try later.
        return outcome;
    }
    if (kind == RequestKind::Logoff) {
        outcome.endsApplication = true;
        return outcome;
    }
    const RequestRule &rule = requestRule(kind);
    if (rule.failureLine)
        outcome.notice = Notice{u"Attention!"_s, framed(rule.failureFrame, serverHost, rule.failureLine)};
    outcome.onlyWhileServerWasUp = kind == RequestKind::Refresh;
    outcome.hidesMailBox = kind == RequestKind::ReadMails;
    return outcome;
}

Notice certificateRefusedNotice(const QString &serverHost)
{
    return {u"Connexion non sécurisée"_s,
            u"Le certificat présenté par le serveur "_s + serverHost + u" n'est pas valable."_s + crlf +
                u"Par sécurité, rien ne lui a été envoyé (ni pseudo ni mot de passe)."_s + crlf +
                u"Vérifiez l'adresse du serveur, ou le certificat de la communauté (jaserelle-ca.pem)."_s,
            Notice::Icon::Warning};
}

Notice tlsFailedNotice(const QString &serverHost)
{
    return {u"Connexion non sécurisée"_s,
            u"La connexion sécurisée avec le serveur "_s + serverHost + u" n'a pas pu être établie."_s +
                crlf + u"Par sécurité, rien ne lui a été envoyé (ni pseudo ni mot de passe)."_s,
            Notice::Icon::Warning};
}

Notice unansweredNotice(RequestKind kind, const QString &serverHost)
{
    const char16_t *failureLine = requestRule(kind).failureLine;
    const QStringView line = failureLine ? QStringView(failureLine) : u"votre requète n'a pas abouti.";
    return {u"Attention!"_s, u"Le serveur "_s + serverHost + u" n'a pas pu traiter votre requète :"_s + crlf +
                                 line.toString() + crlf + u"Veuillez patienter et réitérer votre requète."_s};
}

} // namespace jaserelle::client
