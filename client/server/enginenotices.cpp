#include "client/server/enginenotices.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {

const QString crlf = QStringLiteral("\r\n");

enum class Frame
{
    A,
    B
};

struct ErrorRule
{
    RequestKind kind;
    Frame frame;
    const char16_t *line;
};

// The kinds whose failure is announced in a frame, with the line naming what did not happen.
// Login and Logoff end the application and are handled apart.
constexpr std::array<ErrorRule, 12> framedErrors = {{
    {RequestKind::Refresh, Frame::A, u"les listes de vos contacts ne peuvent être mises à jour."},
    {RequestKind::AddFavoris, Frame::A, u"le pseudo n'a pas été ajouté dans votre liste de favoris."},
    {RequestKind::AddListeNoire, Frame::A, u"le pseudo n'a pas été ajouté dans votre liste noire."},
    {RequestKind::RemoveFavoris, Frame::B, u"le pseudo n'a pas été supprimé de votre liste de favoris."},
    {RequestKind::RemoveListeNoire, Frame::A, u"le pseudo n'a pas été supprimé de votre liste noire."},
    {RequestKind::Profil, Frame::A, u"le profil du pseudo demandé n'est pas accéssible."},
    {RequestKind::Photo, Frame::A, u"la photo du pseudo demandé n'est pas accéssible."},
    {RequestKind::SearchPseudo, Frame::A, u"la recherche de membres est actuellement inaccéssible."},
    {RequestKind::SearchCriteres, Frame::A, u"la recherche de membres est actuellement inaccéssible."},
    {RequestKind::SendMail, Frame::A, u"votre mail n'a pas pu être envoyé."},
    {RequestKind::ReadMails, Frame::A, u"Impossible d'accéder à vos mails."},
    {RequestKind::DeleteMail, Frame::A, u"Impossible de supprimer ce mail."},
}};

QString framed(Frame frame, const QString &serverHost, QStringView line)
{
    const QStringView last = frame == Frame::A ? u"dès que le serveur sera de nouveau accéssible."
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
        outcome.endsApplication = true;
        return outcome;
    }
    if (kind == RequestKind::Logoff) {
        outcome.endsApplication = true;
        return outcome;
    }
    for (const ErrorRule &rule : framedErrors) {
        if (rule.kind == kind) {
            outcome.notice = Notice{u"Attention!"_s, framed(rule.frame, serverHost, rule.line)};
            break;
        }
    }
    outcome.onlyWhileServerWasUp = kind == RequestKind::Refresh;
    outcome.hidesMailBox = kind == RequestKind::ReadMails;
    return outcome;
}

Notice unansweredNotice(RequestKind kind, const QString &serverHost)
{
    QStringView line = u"votre requète n'a pas abouti.";
    for (const ErrorRule &rule : framedErrors) {
        if (rule.kind == kind)
            line = rule.line;
    }
    return {u"Attention!"_s, u"Le serveur "_s + serverHost + u" n'a pas pu traiter votre requète :"_s + crlf +
                                 line.toString() + crlf + u"Veuillez patienter et réitérer votre requète."_s};
}
