#include "client/server/requestcatalogue.h"

#include "client/server/protocolwords.h"
#include "client/server/wiretext.h"
#include "common/urlcodec.h"

#include <algorithm>
#include <array>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

QString encoded(const QString &text)
{
    const QByteArray bytes = wiretext::toWire(text);
    return QString::fromLatin1(jaserelle::urlEncode({bytes.constData(), static_cast<size_t>(bytes.size())}));
}

// Pseudos read back from list rows come from server data: they go out as they are, except for the
// few characters that would cut the query or the request line short.
QString fromServerData(const QString &text)
{
    const QByteArray bytes = wiretext::toWire(text);
    const std::string safe =
        jaserelle::escapeQueryBreakers({bytes.constData(), static_cast<size_t>(bytes.size())});
    return wiretext::fromWire(QByteArrayView(safe.data(), static_cast<qsizetype>(safe.size())));
}

bool onlySpaces(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c == u' '; });
}

QString subjectOrNull(const QString &subject, bool isEmpty)
{
    return isEmpty ? QString(latin1(protocol::noText)) : encoded(subject);
}

} // namespace

QString spacesAsPercent20(const QString &text)
{
    QString out = text;
    out.replace(u' ', QStringLiteral("%20"));
    return out;
}

QString mailDateForServer(const QString &when)
{
    return when.mid(6, 4) + u'-' + when.mid(3, 2) + u'-' + when.mid(0, 2);
}

QString mailTimeForServer(const QString &when)
{
    QString text = when;
    text.replace(u'h', u':');
    return text.right(5) + QStringLiteral(":00");
}

namespace {

QString loginPath(const RequestInputs &in)
{
    return resource(protocol::loginPath) + u"?login="_s + in.userLogin + u"&password="_s + in.userPassword;
}

QString logoffPath(const RequestInputs &in)
{
    return resource(protocol::logoffPath) + u"?login="_s + in.userLogin + u"&password="_s + in.userPassword;
}

QString refreshPath(const RequestInputs &in)
{
    return resource(protocol::refreshPath) + u"?login="_s + in.userLogin + u"&password="_s + in.userPassword +
           u"&ipAdress="_s + in.localAddress;
}

QString listChange(std::string_view path, const RequestInputs &in, const QString &pseudo, QStringView list)
{
    return resource(path) + u"?login="_s + in.userLogin + u"&pseudo="_s + fromServerData(pseudo) +
           u"&liste="_s + list.toString();
}

QString addFavorisPath(const RequestInputs &in)
{
    return listChange(protocol::addContactPath, in, in.targetPseudo, u"favoris");
}

QString addListeNoirePath(const RequestInputs &in)
{
    return listChange(protocol::addContactPath, in, in.targetPseudo, u"listenoire");
}

QString removeFavorisPath(const RequestInputs &in)
{
    return listChange(protocol::removeContactPath, in, in.targetPseudo, u"favoris");
}

QString removeListeNoirePath(const RequestInputs &in)
{
    return listChange(protocol::removeContactPath, in, in.targetPseudo, u"listenoire");
}

QString profilPath(const RequestInputs &in)
{
    return resource(protocol::profilePath) + u"?pseudo="_s + fromServerData(in.targetPseudo);
}

QString photoPath(const RequestInputs &in)
{
    return resource(protocol::photosPath) + fromServerData(in.targetPseudo) + latin1(protocol::photoSuffix);
}

QString searchPseudoPath(const RequestInputs &in)
{
    return resource(protocol::searchPath) + u"?pseudo="_s + in.searchPseudo + u"&iamuser="_s + in.userLogin;
}

QString searchCriteresPath(const RequestInputs &in)
{
    const SearchCriteria &c = in.criteria;
    return resource(protocol::searchPath) + u"?sexe="_s + c.sexe + u"&age="_s + spacesAsPercent20(c.age) +
           u"&region="_s + c.region + u"&taille="_s + spacesAsPercent20(c.taille) + u"&poids="_s +
           spacesAsPercent20(c.poids) + u"&iamuser="_s + in.userLogin + u"&withphotoonly="_s +
           (c.avecPhoto ? u"yes"_s : u"no"_s);
}

QString sendMailPath(const RequestInputs &in)
{
    const OutgoingMail &m = in.mail;
    return resource(protocol::sendMailPath) + u"?sender="_s + in.userLogin + u"&login="_s +
           fromServerData(m.recipient) + u"&subject="_s + subjectOrNull(m.subject, onlySpaces(m.subject)) +
           u"&message="_s + encoded(m.message);
}

QString readMailsPath(const RequestInputs &in)
{
    return resource(protocol::readMailsPath) + u"?login="_s + in.userLogin;
}

QString deleteMailPath(const RequestInputs &in)
{
    const MailRowRef &r = in.mailRow;
    return resource(protocol::deleteMailPath) + u"?login="_s + in.userLogin + u"&sender="_s +
           fromServerData(r.sender) + u"&date="_s + mailDateForServer(r.when) + u"&time="_s +
           mailTimeForServer(r.when) + u"&subject="_s +
           subjectOrNull(r.subject, r.subject == u"pas de sujet") + u"&message="_s + encoded(r.message);
}

// One row per request kind, in the order of their numbers: the path written after "GET /", the
// input that must be there for the request to be worth sending, whether the user's request
// switches the periodic refresh off (and a handler must switch it back on), and how its failure
// is announced.
constexpr std::array<RequestRule, requestKindCount> requestRules = {{
    {RequestKind::Login, loginPath, Needs::Nothing, false, false, FailureFrame::Apart, nullptr},
    {RequestKind::Logoff, logoffPath, Needs::Nothing, false, false, FailureFrame::Apart, nullptr},
    {RequestKind::Refresh, refreshPath, Needs::Nothing, false, false, FailureFrame::A,
     u"les listes de vos contacts ne peuvent être mises à jour."},
    {RequestKind::AddFavoris, addFavorisPath, Needs::Nothing, true, true, FailureFrame::A,
     u"le pseudo n'a pas été ajouté dans votre liste de favoris."},
    {RequestKind::AddListeNoire, addListeNoirePath, Needs::Nothing, true, true, FailureFrame::A,
     u"le pseudo n'a pas été ajouté dans votre liste noire."},
    {RequestKind::RemoveFavoris, removeFavorisPath, Needs::TargetPseudo, true, true, FailureFrame::B,
     u"le pseudo n'a pas été supprimé de votre liste de favoris."},
    {RequestKind::RemoveListeNoire, removeListeNoirePath, Needs::TargetPseudo, true, true, FailureFrame::A,
     u"le pseudo n'a pas été supprimé de votre liste noire."},
    {RequestKind::Profil, profilPath, Needs::TargetPseudo, true, true, FailureFrame::A,
     u"le profil du pseudo demandé n'est pas accéssible."},
    // Asked for by the profile's handler while the refresh is already off.
    {RequestKind::Photo, photoPath, Needs::TargetPseudo, false, true, FailureFrame::A,
     u"la photo du pseudo demandé n'est pas accéssible."},
    {RequestKind::SearchPseudo, searchPseudoPath, Needs::Nothing, true, true, FailureFrame::A,
     u"la recherche de membres est actuellement inaccéssible."},
    {RequestKind::SearchCriteres, searchCriteresPath, Needs::Nothing, true, true, FailureFrame::A,
     u"la recherche de membres est actuellement inaccéssible."},
    {RequestKind::SendMail, sendMailPath, Needs::Nothing, true, true, FailureFrame::A,
     u"votre mail n'a pas pu être envoyé."},
    {RequestKind::ReadMails, readMailsPath, Needs::Nothing, true, true, FailureFrame::A,
     u"Impossible d'accéder à vos mails."},
    {RequestKind::DeleteMail, deleteMailPath, Needs::MailRow, true, true, FailureFrame::A,
     u"Impossible de supprimer ce mail."},
}};

constexpr bool rowsInKindOrder()
{
    for (size_t i = 0; i < requestRules.size(); ++i)
        if (static_cast<size_t>(requestRules[i].kind) != i)
            return false;
    return true;
}
static_assert(rowsInKindOrder(), "one row per request kind, in the order of their numbers");

} // namespace

const RequestRule &requestRule(RequestKind kind)
{
    return requestRules[static_cast<size_t>(kind)];
}

QString buildRequestPath(const RequestInputs &in)
{
    return requestRule(in.kind).path(in);
}

bool hasNeededInput(const Request &request)
{
    switch (requestRule(request.kind).needs) {
    case Needs::Nothing:
        return true;
    case Needs::TargetPseudo:
        return !request.targetPseudo.isEmpty();
    case Needs::MailRow:
        return !request.mailRow.sender.isEmpty();
    }
    return true;
}

} // namespace jaserelle::client
