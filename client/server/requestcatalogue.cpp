#include "client/server/requestcatalogue.h"

#include "client/server/wiretext.h"
#include "common/urlcodec.h"

#include <algorithm>

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
    return isEmpty ? QStringLiteral("NULL") : encoded(subject);
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

QString buildRequestPath(RequestKind kind, const RequestInputs &in)
{
    const QString &login = in.userLogin;
    const QString &password = in.userPassword;
    switch (kind) {
    case RequestKind::Login:
        return u"softlogin.php?login="_s + login + u"&password="_s + password;
    case RequestKind::Logoff:
        return u"softlogoff.php?login="_s + login + u"&password="_s + password;
    case RequestKind::Refresh:
        return u"softrefresh2.php?login="_s + login + u"&password="_s + password + u"&ipAdress="_s +
               in.localAddress;
    case RequestKind::AddFavoris:
        return u"ajoutmembre.php?login="_s + login + u"&pseudo="_s + fromServerData(in.targetPseudo) +
               u"&liste=favoris"_s;
    case RequestKind::AddListeNoire:
        return u"ajoutmembre.php?login="_s + login + u"&pseudo="_s + fromServerData(in.targetPseudo) +
               u"&liste=listenoire"_s;
    case RequestKind::RemoveFavoris:
        return u"removemembre.php?login="_s + login + u"&pseudo="_s + fromServerData(in.selectedPseudo) +
               u"&liste=favoris"_s;
    case RequestKind::RemoveListeNoire:
        return u"removemembre.php?login="_s + login + u"&pseudo="_s + fromServerData(in.selectedPseudo) +
               u"&liste=listenoire"_s;
    case RequestKind::Profil:
        return u"getprofil.php?pseudo="_s + fromServerData(in.selectedPseudo);
    case RequestKind::Photo:
        return u"photos/"_s + fromServerData(in.selectedPseudo) + u".jpg"_s;
    case RequestKind::SearchPseudo:
        return u"searchmembers3.php?pseudo="_s + in.searchPseudo + u"&iamuser="_s + login;
    case RequestKind::SearchCriteres: {
        const SearchCriteria &c = in.criteria;
        return u"searchmembers3.php?sexe="_s + c.sexe + u"&age="_s + spacesAsPercent20(c.age) +
               u"&region="_s + c.region + u"&taille="_s + spacesAsPercent20(c.taille) + u"&poids="_s +
               spacesAsPercent20(c.poids) + u"&iamuser="_s + login + u"&withphotoonly="_s +
               (c.avecPhoto ? u"yes"_s : u"no"_s);
    }
    case RequestKind::SendMail: {
        const OutgoingMail &m = in.mail;
        return u"sendmail.php?sender="_s + login + u"&login="_s + fromServerData(m.recipient) +
               u"&subject="_s + subjectOrNull(m.subject, onlySpaces(m.subject)) + u"&message="_s +
               encoded(m.message);
    }
    case RequestKind::ReadMails:
        return u"readmails.php?login="_s + login;
    case RequestKind::DeleteMail: {
        const MailRowRef &r = in.mailRow;
        return u"deletemail.php?login="_s + login + u"&sender="_s + fromServerData(r.sender) + u"&date="_s +
               mailDateForServer(r.when) + u"&time="_s + mailTimeForServer(r.when) + u"&subject="_s +
               subjectOrNull(r.subject, r.subject == u"pas de sujet") + u"&message="_s + encoded(r.message);
    }
    }
    return {};
}
